// The command line: options are matched by their beginning, case-insensitively, with one or
// two dashes; the folder is every other argument joined with blanks; "--" ends the options.
#include "app/CommandLine.h"

#include <QtTest>

namespace {

const QStringList AllSwitches{"subfolder", "window", "topwindow", "stretch", "actual", "random"};

// One row: the arguments, then what they parse to. `parts` is how many arguments make the folder.
void row(const char *name, const QStringList &arguments, bool hasOptions, const QString &folder, int parts,
         const QStringList &present = {}, bool help = false, bool version = false)
{
    QTest::newRow(name) << arguments << hasOptions << folder << parts << present << help << version;
}

} // namespace

class tst_CommandLine : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parses_data();
    void parses();
    void helpAndVersionTexts();
};

void tst_CommandLine::parses_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("hasOptions");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<int>("folderParts");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<bool>("help");
    QTest::addColumn<bool>("version");

    row("nothing", {}, false, {}, 0);
    row("folder only", {"/pics"}, false, "/pics", 1);
    row("letter case and one dash", {"/pics", "-SUBFOLDER", "--Window"}, true, "/pics", 1, {"subfolder", "window"});
    row("prefix counts", {"--windows", "--subfolders"}, true, {}, 0, {"window", "subfolder"});
    row("topwindow is not window", {"--topwindow"}, true, {}, 0, {"topwindow"});
    row("folder parts joined wherever they stand", {"/my", "--stretch", "holiday", "pics"}, true, "/my holiday pics", 3,
        {"stretch"});
    QStringList everyOption;
    for (const QString &name : AllSwitches)
        everyOption << "--" + name;
    row("every option at once", everyOption + QStringList{"--help", "--version"}, true, {}, 0, AllSwitches, true, true);
    row("-h is help", {"/pics", "-h"}, true, "/pics", 1, {}, true);
    row("help is not a switch prefix", {"--helpful", "--versions"}, true, {}, 0);

    // Unknown options count as options and switch nothing on.
    row("unknown option", {"/pics", "--frobnicate"}, true, "/pics", 1);
    row("-rf is an unknown option", {"-rf"}, true, {}, 0);
    row("a lone dash is an option", {"-"}, true, {}, 0);
    row("three dashes are not two", {"---window"}, true, {}, 0);
    row("switch name after a dash inside", {"--x-window", "--=random"}, true, {}, 0);
    row("unknown options mixed", {"/my", "-x", "--random", "--bogus=1", "pics"}, true, "/my pics", 2, {"random"});

    // After "--" every argument is a name, however it looks.
    row("-- alone", {"--"}, false, {}, 0);
    row("-- ends the options", {"--actual", "--", "-odd folder"}, true, "-odd folder", 1, {"actual"});
    row("-- then option-looking names", {"--", "-x", "--random"}, false, "-x --random", 2);
    row("options before --, names after", {"--window", "--", "--random", "-rf"}, true, "--random -rf", 2, {"window"});
    row("a second -- is a name", {"--", "--"}, false, "--", 1);
    row("--help and --version after -- are names", {"--", "--help", "--version"}, false, "--help --version", 2);

    // Text a shell would interpret is kept as it is.
    row("blanks kept untrimmed", {"  my  pics  "}, false, "  my  pics  ", 1);
    row("an empty argument", {""}, false, {}, 1);
    const QStringList shellText{"\"quoted\"", "'single'", "$(rm -rf ~)", "`reboot`", "a;b", "&&", "|", ">x",
                                "~", "*", "$HOME", "line\nbreak"};
    row("quotes, substitutions, separators", shellText, false, shellText.join(u' '), int(shellText.size()));

    // Sizes no one types, but a script or a file manager may pass.
    const QString megabyte(1 << 20, u'p');
    row("one argument of 1 MB", {megabyte}, false, megabyte, 1);
    row("1 MB option beginning with a switch", {"--window" + megabyte}, true, {}, 0, {"window"});
    row("1 MB unknown option", {"-" + megabyte}, true, {}, 0);
    QStringList manyFolders;
    for (int i = 0; i < 10000; ++i)
        manyFolders << QString::number(i);
    row("10,000 folder arguments", manyFolders, false, manyFolders.join(u' '), 10000);
    row("10,000 unknown options and one switch", QStringList(10000, "--bogus") + QStringList{"--random"}, true, {}, 0,
        {"random"});
}

void tst_CommandLine::parses()
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
    for (const QString &name : AllSwitches)
        QCOMPARE(line.hasSwitch(name), present.contains(name));
    QCOMPARE(line.wantsHelp(), help);
    QCOMPARE(line.wantsVersion(), version);
}

void tst_CommandLine::helpAndVersionTexts()
{
    QVERIFY(CommandLine::helpText().contains("--subfolder"));
    QVERIFY(CommandLine::versionText().startsWith("Pictarra 3.0"));
}

QTEST_APPLESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
