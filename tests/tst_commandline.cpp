// The command line: options are matched by their beginning, case-insensitively, with one or
// two dashes; the folder is every other argument joined with blanks; "--" ends the options.
#include "app/CommandLine.h"

#include <QtTest>

class tst_CommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void switches_data();
    void switches();
    void helpAndVersion();
    void hostileArguments_data();
    void hostileArguments();
};

void tst_CommandLine::switches_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("hasOptions");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("present");

    QTest::newRow("nothing") << QStringList{} << false << QString() << QStringList{};
    QTest::newRow("folder only") << QStringList{"/pics"} << false << "/pics" << QStringList{};
    QTest::newRow("random alone") << QStringList{"--random"} << true << QString() << QStringList{"random"};
    QTest::newRow("letter case and one dash")
        << QStringList{"/pics", "-SUBFOLDER", "--Window"} << true << "/pics" << QStringList{"subfolder", "window"};
    QTest::newRow("prefix counts") << QStringList{"--windows", "--subfolders"} << true << QString()
                                   << QStringList{"window", "subfolder"};
    QTest::newRow("topwindow is not window") << QStringList{"--topwindow"} << true << QString()
                                             << QStringList{"topwindow"};
    QTest::newRow("folder parts joined wherever they stand")
        << QStringList{"/my", "--stretch", "holiday", "pics"} << true << "/my holiday pics" << QStringList{"stretch"};
    QTest::newRow("double dash ends options")
        << QStringList{"--actual", "--", "-odd folder"} << true << "-odd folder" << QStringList{"actual"};
    QTest::newRow("unknown option still counts as an option")
        << QStringList{"/pics", "--frobnicate"} << true << "/pics" << QStringList{};
}

void tst_CommandLine::switches()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, hasOptions);
    QFETCH(QString, folder);
    QFETCH(QStringList, present);

    const CommandLine line = CommandLine::parse(arguments);
    QCOMPARE(line.isEmpty(), arguments.isEmpty());
    QCOMPARE(line.hasOptions(), hasOptions);
    QCOMPARE(line.folderText(), folder);
    for (const QString name : {"subfolder", "window", "topwindow", "stretch", "actual", "random"})
        QCOMPARE(line.hasSwitch(name), present.contains(name));
}

void tst_CommandLine::helpAndVersion()
{
    QVERIFY(CommandLine::parse({"--help"}).wantsHelp());
    QVERIFY(CommandLine::parse({"/pics", "-h"}).wantsHelp());
    QVERIFY(CommandLine::parse({"--version"}).wantsVersion());
    QVERIFY(!CommandLine::parse({"--", "--help"}).wantsHelp());
    QVERIFY(CommandLine::helpText().contains("--subfolder"));
    QVERIFY(CommandLine::versionText().startsWith("Pictarra 3.0"));
}

void tst_CommandLine::hostileArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("hasOptions");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("folderParts");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<bool>("help");
    QTest::addColumn<bool>("version");

    const QStringList all{"subfolder", "window", "topwindow", "stretch", "actual", "random"};
    const QString megabyte(1 << 20, u'p');

    // Sizes no one types, but a script or a file manager may pass.
    QTest::newRow("one argument of 1 MB") << QStringList{megabyte} << false << megabyte << 1 << QStringList{}
                                          << false << false;
    QTest::newRow("1 MB option beginning with a switch")
        << QStringList{"--window" + megabyte} << true << QString() << 0 << QStringList{"window"} << false << false;
    QTest::newRow("1 MB unknown option")
        << QStringList{"-" + megabyte} << true << QString() << 0 << QStringList{} << false << false;
    QStringList manyFolders;
    for (int i = 0; i < 10000; ++i)
        manyFolders << QString::number(i);
    QTest::newRow("10,000 folder arguments")
        << manyFolders << false << manyFolders.join(u' ') << 10000 << QStringList{} << false << false;
    QTest::newRow("10,000 unknown options and one switch")
        << QStringList(10000, "--bogus") + QStringList{"--random"} << true << QString() << 0
        << QStringList{"random"} << false << false;

    // Options only: each alone, then all at once.
    for (const QString &name : all)
        QTest::addRow("--%s alone", qPrintable(name))
            << QStringList{"--" + name} << true << QString() << 0 << QStringList{name} << false << false;
    QStringList everyOption;
    for (const QString &name : all)
        everyOption << "--" + name;
    QTest::newRow("every option at once")
        << everyOption + QStringList{"--help", "--version"} << true << QString() << 0 << all << true << true;

    // Unknown options count as options and switch nothing on.
    QTest::newRow("unknown option alone")
        << QStringList{"--frobnicate"} << true << QString() << 0 << QStringList{} << false << false;
    QTest::newRow("-rf alone is an unknown option")
        << QStringList{"-rf"} << true << QString() << 0 << QStringList{} << false << false;
    QTest::newRow("a lone dash is an option") << QStringList{"-"} << true << QString() << 0 << QStringList{}
                                              << false << false;
    QTest::newRow("three dashes are not two")
        << QStringList{"---window"} << true << QString() << 0 << QStringList{} << false << false;
    QTest::newRow("switch name after a dash inside")
        << QStringList{"--x-window", "--=random"} << true << QString() << 0 << QStringList{} << false << false;
    QTest::newRow("unknown options mixed")
        << QStringList{"/my", "-x", "--random", "--bogus=1", "pics"} << true << "/my pics" << 2
        << QStringList{"random"} << false << false;
    QTest::newRow("help is not a switch prefix")
        << QStringList{"--helpful", "--versions"} << true << QString() << 0 << QStringList{} << false << false;

    // After "--" every argument is a name, however it looks.
    QTest::newRow("-- alone") << QStringList{"--"} << false << QString() << 0 << QStringList{} << false << false;
    QTest::newRow("-- then option-looking names")
        << QStringList{"--", "-x", "--random"} << false << "-x --random" << 2 << QStringList{} << false << false;
    QTest::newRow("options before --, names after")
        << QStringList{"--window", "--", "--random", "-rf"} << true << "--random -rf" << 2
        << QStringList{"window"} << false << false;
    QTest::newRow("folder named -rf after --")
        << QStringList{"--", "-rf"} << false << "-rf" << 1 << QStringList{} << false << false;
    QTest::newRow("folder named --window after --")
        << QStringList{"--", "--window"} << false << "--window" << 1 << QStringList{} << false << false;
    QTest::newRow("a second -- is a name") << QStringList{"--", "--"} << false << "--" << 1 << QStringList{}
                                           << false << false;
    QTest::newRow("--help and --version after -- are names")
        << QStringList{"--", "--help", "--version"} << false << "--help --version" << 2 << QStringList{}
        << false << false;

    // Text a shell would interpret is kept as it is.
    QTest::newRow("blanks kept untrimmed")
        << QStringList{"  my  pics  "} << false << "  my  pics  " << 1 << QStringList{} << false << false;
    QTest::newRow("an empty argument") << QStringList{""} << false << QString() << 1 << QStringList{} << false
                                       << false;
    const QStringList shellText{"\"quoted\"", "'single'", "$(rm -rf ~)", "`reboot`", "a;b", "&&", "|", ">x",
                                "~", "*", "$HOME", "line\nbreak"};
    QTest::newRow("quotes, substitutions, separators")
        << shellText << false << shellText.join(u' ') << shellText.size() << QStringList{} << false << false;
}

void tst_CommandLine::hostileArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, hasOptions);
    QFETCH(QString, folder);
    QFETCH(int, folderParts);
    QFETCH(QStringList, present);
    QFETCH(bool, help);
    QFETCH(bool, version);

    const CommandLine line = CommandLine::parse(arguments);
    QCOMPARE(line.isEmpty(), arguments.isEmpty());
    QCOMPARE(line.hasOptions(), hasOptions);
    QCOMPARE(line.folderText(), folder);
    QCOMPARE(line.folderParts().size(), folderParts);
    QCOMPARE(line.folderParts().join(u' '), folder);
    for (const QString name : {"subfolder", "window", "topwindow", "stretch", "actual", "random"})
        QCOMPARE(line.hasSwitch(name), present.contains(name));
    QCOMPARE(line.wantsHelp(), help);
    QCOMPARE(line.wantsVersion(), version);
}

QTEST_APPLESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
