// Start-up and the ways out: the first-run record, stored options into the controls, the
// command-line switches, the folder chosen and listed, the start-up failure, and the settings
// written (or not) at exit.
#include "TestPlatform.h"
#include "app/ProgramState.h"
#include "app/frmMain.h"
#include "files/FileList.h"
#include "files/FolderBox.h"

#include <QCheckBox>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

namespace {

QByteArray storedRecord(const QByteArray &values)
{
    return "Windows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting]\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting\\Pictarra]\r\n"
           + values;
}

} // namespace

class tst_StartUp : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void firstRunRecord();
    void storedValuesIntoControls();
    void commandLine_data();
    void commandLine();
    void unusableFolders_data();
    void unusableFolders();
    void folderNamesTakenAsText_data();
    void folderNamesTakenAsText();
    void openedFilesStartAShow();
    void startUpFailureOnWidth40000();
    void corruptSettingsFileIsKeptAside();
    void handCursor();
    void exitRoutesSave();
    void noSaveAfterOptions();

private:
    frmMain &startUp(const QStringList &arguments);
    QStringList outcome(frmMain &w);
    QByteArray settingsText() const { return m_platform->settingsFile.current.bytes; }

    QTemporaryDir m_root;
    QString m_pictures;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<ProgramState> m_state;
    std::unique_ptr<frmMain> m_window;
};

void tst_StartUp::initTestCase()
{
    QVERIFY(m_root.isValid());
    m_pictures = m_root.filePath("pics");
    QVERIFY(QDir().mkpath(m_pictures));
    for (const char *name : {"a.jpg", "b.gif", "README"}) {
        QFile file(m_pictures + '/' + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
}

void tst_StartUp::init()
{
    QDir::setCurrent(m_pictures);
    m_platform = std::make_unique<TestPlatform>();
    m_state = std::make_unique<ProgramState>();
}

void tst_StartUp::cleanup()
{
    m_window.reset();
}

frmMain &tst_StartUp::startUp(const QStringList &arguments)
{
    m_state->commandLine = CommandLine::parse(arguments);
    m_window = std::make_unique<frmMain>(m_platform->platform, *m_state);
    m_window->Form_Load();
    return *m_window;
}

void tst_StartUp::firstRunRecord()
{
    frmMain &w = startUp({});

    // The record holds the working folder and the screen's placement, written before it is read.
    QVERIFY(settingsText().contains("\"LASTPATH\"=\"" + m_pictures.toUtf8() + "\"\n"));
    QCOMPARE(QRect(m_state->SlideLeft, m_state->SlideTop, m_state->SlideWidth, m_state->SlideHeight),
             QRect(3840, 2880, 7680, 5760));

    // LASTPATH, the working folder, is listed with every entry ticked; no show starts.
    QCOMPARE(w.Dir1->path(), m_pictures);
    QCOMPARE(w.fileList().count(), 2);
    QCOMPARE(w.fileList().tickedCount(), 2);
    QVERIFY(w.scanStopped());
    QVERIFY(!w.showRunning());
    QVERIFY(m_platform->messages.shown.isEmpty());
}

void tst_StartUp::storedValuesIntoControls()
{
    m_platform->settingsFile.setContents(storedRecord(
        "\"LASTPATH\"=\"/nonexistent-folder\"\r\n"
        "\"Top\"=dword:ffffff88\r\n"
        "\"Left\"=\"15\"\r\n"
        "\"Height\"=\"300.5\"\r\n"
        "\"FOLDER\"=dword:00000001\r\n"
        "\"DISPLAY\"=\"2\"\r\n"
        "\"PICTURE\"=dword:00000001\r\n"
        "\"ORDER\"=\" 2\"\r\n"
        "\"SCROLL\"=hex(2):31,00\r\n"
        "\"DELAY\"=\"abc\"\r\n"
        "\"PATTERN\"=\"   \"\r\n"));
    frmMain &w = startUp({});

    // Top negative: ignored; Left text that reads like a number; Height half to even; Width missing.
    QCOMPARE(QRect(m_state->SlideLeft, m_state->SlideTop, m_state->SlideWidth, m_state->SlideHeight),
             QRect(15, 0, 0, 300));
    QCOMPARE(w.CheckSUBFOLDER->checkState(), Qt::Checked);
    QCOMPARE(w.selectedIndex(w.OptionDISPLAY), 2);
    QCOMPARE(w.selectedIndex(w.OptionPICTURE), 1);
    QCOMPARE(w.selectedIndex(w.OptionORDER), 0); // " 2" is not "2"
    QCOMPARE(w.CheckSCROLL->checkState(), Qt::Unchecked); // another kind reads as nothing
    QCOMPARE(w.TextSPECIFIC->text(), QString("abc"));
    QCOMPARE(w.TextPATTERN->text(), QString("*.*"));
    // A stored folder that no longer exists: no navigation, an empty list, no show.
    QCOMPARE(w.fileList().count(), 0);
    QVERIFY(!w.showRunning());
    QVERIFY(m_platform->settingsFile.writes.isEmpty());
}

void tst_StartUp::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("subFolders");
    QTest::addColumn<int>("display");
    QTest::addColumn<int>("picture");
    QTest::addColumn<int>("order");
    QTest::addColumn<bool>("showStarts");

    // Stored: sub-folders ticked, display 2, picture 1, order 2.
    QTest::newRow("random alone lists the working folder") << QStringList{"--random"} << false << 0 << 0 << 1 << true;
    QTest::newRow("folder with switches in any case") << QStringList{"PICS", "--SUBFOLDER", "-Window"} << true << 1 << 0 << 2 << true;
    QTest::newRow("window wins over topwindow") << QStringList{"PICS", "--window", "--topwindow"} << false << 1 << 0 << 2 << true;
    QTest::newRow("stretch wins over actual") << QStringList{"PICS", "--actual", "--stretch", "--window"} << false << 1 << 1 << 2 << true;
    QTest::newRow("topwindow alone") << QStringList{"PICS", "--topwindow"} << false << 2 << 0 << 2 << true;
    QTest::newRow("folder alone keeps the stored options") << QStringList{"PICS"} << true << 2 << 1 << 2 << true;
    QTest::newRow("relative folder") << QStringList{"."} << true << 2 << 1 << 2 << true;
    QTest::newRow("missing folder: no show") << QStringList{"/nonexistent/pictures", "--window"} << false << 1 << 0 << 2 << false;
    // Options only: the working folder is shown with the switches given, the rest at default.
    QTest::newRow("actual alone") << QStringList{"--actual"} << false << 0 << 2 << 2 << true;
    // An unknown option is an option: the switches take their defaults, nothing else happens.
    QTest::newRow("unknown option alone") << QStringList{"--frobnicate"} << false << 0 << 0 << 2 << true;
    // "--": what follows is a folder name, never an option.
    QTest::newRow("-- alone names the working folder") << QStringList{"--"} << true << 2 << 1 << 2 << true;
    QTest::newRow("-- then option-looking names: a missing folder") << QStringList{"--", "-x", "--random"} << true << 2 << 1 << 2 << false;
}

void tst_StartUp::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, subFolders);
    QFETCH(int, display);
    QFETCH(int, picture);
    QFETCH(int, order);
    QFETCH(bool, showStarts);

    arguments.replaceInStrings("PICS", m_pictures);
    m_platform->settingsFile.setContents(storedRecord("\"FOLDER\"=dword:00000001\r\n\"DISPLAY\"=dword:00000002\r\n"
                                                      "\"PICTURE\"=\"1\"\r\n\"ORDER\"=dword:00000002\r\n"));
    frmMain &w = startUp(arguments);

    QCOMPARE(w.CheckSUBFOLDER->isChecked(), subFolders);
    QCOMPARE(w.selectedIndex(w.OptionDISPLAY), display);
    QCOMPARE(w.selectedIndex(w.OptionPICTURE), picture);
    QCOMPARE(w.selectedIndex(w.OptionORDER), order);
    QCOMPARE(w.showRunning(), showStarts);
    // The folder box stays at the working folder when the folder is not usable.
    QCOMPARE(w.Dir1->path(), m_pictures);
    QCOMPARE(showStarts ? w.fileList().tickedCount() : w.fileList().count(), showStarts ? 2 : 0);
    // Switches empty the pattern box; a scan puts "*.*" back.
    const bool options = CommandLine::parse(arguments).hasOptions();
    QCOMPARE(w.TextPATTERN->text(), options && !showStarts ? QString() : QString("*.*"));
    QVERIFY(m_platform->messages.shown.isEmpty());
    QCOMPARE(m_platform->programEnd.endCount, 0);
}

QStringList tst_StartUp::outcome(frmMain &w)
{
    QStringList seen{"folder box " + w.Dir1->path(),
                     "entries " + QString::number(w.fileList().count()),
                     "show " + QString::number(w.showRunning()),
                     "sub-folders " + QString::number(w.CheckSUBFOLDER->isChecked()),
                     "display " + QString::number(w.selectedIndex(w.OptionDISPLAY)),
                     "picture " + QString::number(w.selectedIndex(w.OptionPICTURE)),
                     "order " + QString::number(w.selectedIndex(w.OptionORDER)),
                     "pattern " + w.TextPATTERN->text(),
                     "messages " + QString::number(m_platform->messages.shown.size()),
                     "ended " + QString::number(m_platform->programEnd.endCount)};
    // Closing saves the record only when no option was given; the folder box is what is kept.
    const qsizetype before = m_platform->settingsFile.writes.size();
    w.close();
    seen << "writes at exit " + QString::number(m_platform->settingsFile.writes.size() - before);
    const QByteArray text = settingsText();
    const qsizetype at = text.indexOf("\"LASTPATH\"=");
    seen << "stored " + QString::fromUtf8(text.mid(at, text.indexOf('\n', at) - at)).trimmed();
    return seen;
}

void tst_StartUp::unusableFolders_data()
{
    QTest::addColumn<QStringList>("arguments");

    const QString megabyte(1 << 20, u'p');
    QTest::newRow("one argument of 1 MB") << QStringList{megabyte};
    QTest::newRow("absolute path of 1 MB") << QStringList{"/" + megabyte};
    QTest::newRow("name longer than NAME_MAX") << QStringList{m_pictures + "/" + QString(256, u'n')};
    QTest::newRow("name of 300 two-byte characters") << QStringList{m_pictures + "/" + QString(300, QChar(0xe9))};
    QTest::newRow("path longer than PATH_MAX") << QStringList{m_pictures + QString("/d").repeated(2100)};
    QTest::newRow("1 MB path through an existing folder") << QStringList{m_pictures + QString("/d").repeated(1 << 19)};
    QStringList manyFolders;
    for (int i = 0; i < 10000; ++i)
        manyFolders << "part" + QString::number(i);
    QTest::newRow("10,000 folder arguments") << manyFolders;
    // Each names a picture, but one does not exist: neither a folder nor opened files.
    QTest::newRow("10,000 files and one missing") << QStringList(9999, "a.jpg") + QStringList{"missing.jpg"};
    QTest::newRow("a file, not a folder") << QStringList{m_pictures + "/a.jpg", "/nonexistent.jpg"};
}

// Whatever the folder argument, one that cannot be used ends like a plain missing folder:
// the main window with the switches applied and nothing listed, no show, no message, no crash.
void tst_StartUp::unusableFolders()
{
    QFETCH(QStringList, arguments);
    for (const QStringList &options : {QStringList{}, QStringList{"--window", "--random"}}) {
        cleanup();
        init();
        const QStringList expected = outcome(startUp(QStringList{"/nonexistent/pictures"} + options));
        cleanup();
        init();
        // Options stand before the names, so that "--" keeps its meaning.
        const QStringList seen = outcome(startUp(options + arguments));
        QCOMPARE(seen, expected);
    }
}

void tst_StartUp::folderNamesTakenAsText_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("-rf after --") << "-rf" << QStringList{"--", "-rf"};
    QTest::newRow("blanks, one argument each word") << "my holiday pics" << QStringList{"my", "holiday", "pics"};
    QTest::newRow("quotes") << "\"quoted\" 'name'" << QStringList{"\"quoted\" 'name'"};
    QTest::newRow("substitutions") << "$(touch INJECTED) `touch INJECTED`" << QStringList{"$(touch INJECTED) `touch INJECTED`"};
    QTest::newRow("separators and redirections")
        << "a; touch INJECTED && b | c > INJECTED &" << QStringList{"a;", "touch", "INJECTED", "&&", "b", "|", "c", ">", "INJECTED", "&"};
    QTest::newRow("variable and tilde") << "$HOME ~" << QStringList{"$HOME", "~"};
    QTest::newRow("wildcards") << "*?[ab]" << QStringList{"*?[ab]"};
    QTest::newRow("line break") << "two\nlines" << QStringList{"two\nlines"};
}

// A folder is found by its name exactly as given: nothing in it is an option or is interpreted.
void tst_StartUp::folderNamesTakenAsText()
{
    QFETCH(QString, folder);
    QFETCH(QStringList, arguments);

    const QString path = m_root.path() + "/" + folder;
    QVERIFY(QDir().mkpath(path));
    for (const char *name : {"a.jpg", "b.gif"}) {
        QFile file(path + '/' + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QDir::setCurrent(m_root.path());
    m_platform->settingsFile.setContents(storedRecord("\"DISPLAY\"=dword:00000002\r\n"));
    frmMain &w = startUp(arguments);

    QCOMPARE(w.Dir1->path(), path);
    QCOMPARE(w.fileList().tickedCount(), 2);
    QVERIFY(w.showRunning());
    // No option was given: the stored display stays.
    QCOMPARE(w.selectedIndex(w.OptionDISPLAY), 2);
    QVERIFY(m_platform->messages.shown.isEmpty());
    QVERIFY(!QFileInfo::exists(m_root.path() + "/INJECTED"));
    QVERIFY(!QFileInfo::exists(m_pictures + "/INJECTED"));
}

// Files opened from a file manager arrive as separate arguments and become the show.
void tst_StartUp::openedFilesStartAShow()
{
    frmMain &w = startUp({m_pictures + "/a.jpg", "b.gif", "--window"});
    QCOMPARE(w.fileList().count(), 2);
    QCOMPARE(w.fileList().entry(1), m_pictures + "/b.gif");
    QCOMPARE(w.fileList().tickedCount(), 2);
    QCOMPARE(w.CommandDISPLAY->text(), QString("&Display Dropped Files"));
    QVERIFY(w.showRunning());
}

void tst_StartUp::startUpFailureOnWidth40000()
{
    m_platform->settingsFile.setContents(storedRecord("\"Width\"=dword:00009c40\r\n"));
    startUp({});
    QCOMPARE(m_platform->messages.shown.size(), 1);
    const ShownMessage message = m_platform->messages.shown.first();
    QCOMPARE(message.icon, MessageIcon::Stop);
    QCOMPARE(message.title, QString("Pictarra"));
    QCOMPARE(message.text, QString("Unexpected error Overflow at 5"));
    QCOMPARE(m_platform->programEnd.endCount, 1);
    QVERIFY(m_platform->settingsFile.writes.isEmpty());
}

void tst_StartUp::corruptSettingsFileIsKeptAside()
{
    const QByteArray garbage("\x00\x01\x02 not a settings file \xff", 26);
    m_platform->settingsFile.setContents(garbage);
    frmMain &w = startUp({});
    QVERIFY(m_platform->messages.shown.isEmpty());
    QVERIFY(m_platform->settingsFile.keptAside.has_value());
    QCOMPARE(m_platform->settingsFile.keptAside->bytes, garbage);
    QVERIFY(settingsText().contains("\"DELAY\"=\"10\""));
    QCOMPARE(w.fileList().count(), 2);
}

// The hand cursor is used when its file loads, and quietly left out when it does not.
void tst_StartUp::handCursor()
{
    for (const bool loads : {true, false}) {
        cleanup();
        init();
        m_platform->cursors.folder = "/themes";
        m_platform->cursors.cursorFile = "/themes/default/cursors/hand2";
        m_platform->cursors.loads = loads;
        startUp({});
        QCOMPARE(m_state->HandCursorFile, loads ? QString("/themes/default/cursors/hand2") : QString());
        QVERIFY(m_platform->messages.shown.isEmpty());
    }
}

void tst_StartUp::exitRoutesSave()
{
    for (int route = 0; route < 3; ++route) {
        cleanup();
        init();
        frmMain &w = startUp({});
        const int before = m_platform->settingsFile.writes.size();
        w.OptionPICTURE[2]->setChecked(true);
        w.CheckSCROLL->setChecked(true);
        w.TextSPECIFIC->setText(" 25 ");
        m_state->SlideTop = -300; // a maximised window's place is stored as it is
        if (route == 0)
            w.close();
        else if (route == 1)
            w.CommandEXIT_Click();
        else
            w.Form_Terminate();
        QCOMPARE(m_platform->settingsFile.writes.size() - before, 12);  // the whole record
        QCOMPARE(m_platform->programEnd.endCount, route == 2 ? 0 : 1);
        const QByteArray text = settingsText();
        QVERIFY(text.contains("\"PICTURE\"=dword:00000002"));
        QVERIFY(text.contains("\"SCROLL\"=dword:00000001"));
        QVERIFY(text.contains("\"DELAY\"=\"25\""));
        QVERIFY(text.contains("\"Top\"=dword:fffffed4"));
        QCOMPARE(w.mousePointer(), route == 1 ? 13 : 11);
    }
}

void tst_StartUp::noSaveAfterOptions()
{
    frmMain &w = startUp({"/nonexistent", "--stretch"});
    const int before = m_platform->settingsFile.writes.size();
    w.OptionDISPLAY[1]->setChecked(true);
    w.close();
    QCOMPARE(m_platform->settingsFile.writes.size(), before);
    QCOMPARE(m_platform->programEnd.endCount, 1);
}

QTEST_MAIN(tst_StartUp)
#include "tst_startup.moc"
