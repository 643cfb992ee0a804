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

QTEST_APPLESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
