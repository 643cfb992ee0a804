// The built program started the way a shell or a script starts it: --help and --version answer
// at once, whatever else the command line holds, without a display and without touching the
// settings; and every name after "--" belongs to the program, never to the toolkit.
#include "app/CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Program = QStringLiteral(PICTARRA_BINARY_DIR "/pictarra");

// The longest single argument Linux hands to a program (MAX_ARG_STRLEN, its NUL included).
constexpr int LongestArgument = 128 * 1024 - 1;

} // namespace

class tst_ProgramOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void answersWithoutDisplayOrSettings_data();
    void answersWithoutDisplayOrSettings();
    void namesAfterDoubleDashAreNotTheToolkits_data();
    void namesAfterDoubleDashAreNotTheToolkits();

private:
    // A process of the program in a fresh home of its own, which is also its working folder.
    bool start(const QStringList &arguments, const QString &platform);

    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QProcess> m_process;
};

void tst_ProgramOptions::initTestCase()
{
    QVERIFY2(QFileInfo(Program).isExecutable(), qPrintable(Program));
}

void tst_ProgramOptions::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
}

void tst_ProgramOptions::cleanup()
{
    if (m_process) {
        m_process->kill();
        m_process->waitForFinished();
    }
    m_process.reset();
}

bool tst_ProgramOptions::start(const QStringList &arguments, const QString &platform)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert("HOME", m_home->path());
    environment.insert("QT_QPA_PLATFORM", platform);
    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(environment);
    m_process->setWorkingDirectory(m_home->path());
    m_process->start(Program, arguments);
    return m_process->waitForStarted();
}

void tst_ProgramOptions::answersWithoutDisplayOrSettings_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("help");

    const QString longest(LongestArgument, u'x');
    QTest::newRow("--help") << QStringList{"--help"} << true;
    QTest::newRow("--version") << QStringList{"--version"} << false;
    QTest::newRow("one dash, capitals") << QStringList{"-HELP"} << true;
    QTest::newRow("help wins over version") << QStringList{"--version", "--help"} << true;
    QTest::newRow("help after a folder and switches") << QStringList{"/pics", "--window", "--random", "--help"} << true;
    QTest::newRow("the longest argument, then version") << QStringList{longest, "--version"} << false;
    QTest::newRow("the longest option, then help") << QStringList{"--" + QString(LongestArgument - 2, u'w'), "--help"} << true;
    QTest::newRow("version among 1 MB of arguments") << QStringList(8, longest) + QStringList{"--version"} << false;
    QStringList manyFolders;
    for (int i = 0; i < 10000; ++i)
        manyFolders << "folder" + QString::number(i);
    QTest::newRow("help among 10,000 folder arguments") << manyFolders + QStringList{"--help"} << true;
    QTest::newRow("help among unknown options and shell text")
        << QStringList{"-x", "$(touch INJECTED)", "--help", "--bogus=1", "-"} << true;
}

// Without a display (the platform asked for needs one and there is none): were a window or
// the settings touched, the program would fail or leave a file in its home.
void tst_ProgramOptions::answersWithoutDisplayOrSettings()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, help);

    QVERIFY(start(arguments, QStringLiteral("xcb")));
    QVERIFY(m_process->waitForFinished(60000));
    QCOMPARE(m_process->exitStatus(), QProcess::NormalExit);
    const QByteArray errors = m_process->readAllStandardError();
    QVERIFY2(errors.isEmpty(), errors.constData());
    QCOMPARE(m_process->exitCode(), 0);
    const QString expected = help ? CommandLine::helpText() : CommandLine::versionText();
    QCOMPARE(QString::fromUtf8(m_process->readAllStandardOutput()), expected);
    QCOMPARE(QDir(m_home->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
             QStringList());
}

void tst_ProgramOptions::namesAfterDoubleDashAreNotTheToolkits_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("--platform after --") << QStringList{"--", "--platform", "xcb"};
    QTest::newRow("-platform after --") << QStringList{"--", "-platform", "xcb"};
    QTest::newRow("-platform after -- and a switch") << QStringList{"--window", "--", "-platform", "xcb"};
}

// Here "--platform xcb" is a folder name. Were it taken as the toolkit's option, the program
// would ask for a display that does not exist and abort before its start-up ran.
void tst_ProgramOptions::namesAfterDoubleDashAreNotTheToolkits()
{
    QFETCH(QStringList, arguments);

    QVERIFY(start(arguments, QStringLiteral("offscreen")));
    // Start-up writes the first-run settings; then the main window waits for the user.
    const QString settings = m_home->path() + "/.config/Tarrowby Consulting/Pictarra.reg";
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(settings) || m_process->state() == QProcess::NotRunning, 60000);
    QVERIFY2(m_process->state() == QProcess::Running, m_process->readAllStandardError().constData());
}

QTEST_GUILESS_MAIN(tst_ProgramOptions)
#include "tst_programoptions.moc"
