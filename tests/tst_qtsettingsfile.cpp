// The settings file on disk: only a regular file of sane size is read, every change replaces
// it whole under a lock, and a failed write (full disk, read-only folder, live lock) leaves the
// old file as it was.
#include "platform/QtSettingsFile.h"
#include "settings/RegistryText.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <iostream>
#include <limits>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// An update that replaces the file with `contents`, whatever it held.
auto replaceWith(const QByteArray &contents)
{
    return [contents](const SettingsFile::Snapshot &) { return std::optional<QByteArray>(contents); };
}

// The test runs its own executable again as a second program: "--helper <mode> <args>".
namespace helper {

// Writes <count> values named <prefix><i>, numbers and texts in turn, once told "go" on
// standard input (so that two helpers really write at once).
int writeValues(const QString &path, const QString &prefix, int count)
{
    std::string go;
    std::getline(std::cin, go);
    QtSettingsFile file(path);
    SettingsStore store(file);
    store.fnRegCreateKey(RegRoot::CurrentUser, AppKeyPath);
    for (int i = 0; i < count; ++i) {
        const QString name = prefix + QString::number(i);
        if (i % 2 == 0)
            store.fnRegSetValue(RegRoot::CurrentUser, AppKeyPath, name, i);
        else
            store.fnRegSetString(RegRoot::CurrentUser, AppKeyPath, name, QStringLiteral("t%1").arg(i));
    }
    return 0;
}

// Takes the settings file's lock and keeps it until killed.
int holdLock(const QString &path)
{
    QLockFile lock(path + QStringLiteral(".lock"));
    if (!lock.lock())
        return 1;
    std::cout << "locked" << std::endl;
    std::cin.ignore(std::numeric_limits<std::streamsize>::max());
    return 0;
}

// Replaces the file with <size> bytes while no more than <limit> bytes fit into any file, as on
// a full disk. Exits 0 when the replacement was reported as failed.
int writeOnFullDisk(const QString &path, int limitBytes, int size)
{
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{rlim_t(limitBytes), rlim_t(limitBytes)};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 3;
    return QtSettingsFile(path).update(replaceWith(QByteArray(size, 'x'))) ? 2 : 0;
}

int run(const QStringList &arguments)
{
    const QString mode = arguments.value(2);
    if (mode == QLatin1String("write-values"))
        return writeValues(arguments.value(3), arguments.value(4), arguments.value(5).toInt());
    if (mode == QLatin1String("hold-lock"))
        return holdLock(arguments.value(3));
    if (mode == QLatin1String("full-disk"))
        return writeOnFullDisk(arguments.value(3), arguments.value(4).toInt(), arguments.value(5).toInt());
    return 99;
}

} // namespace helper

namespace {

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

const QByteArray SmallSettings = "Windows Registry Editor Version 5.00\n\n"
                                 "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting\\Pictarra]\n\"DELAY\"=\"7\"\n\n";

} // namespace

class TestQtSettingsFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void defaultPathFollowsXdgConfigHome();
    void readsOnlyARegularFileOfSaneSize_data();
    void readsOnlyARegularFileOfSaneSize();
    void fileWithoutReadPermissionIsUnreadable();
    void updateCreatesTheFolderAndReplacesTheFile();
    void keepAsideReplacesAnOlderBadFile();
    void readOnlyFolderLeavesTheOldFileWhole();
    void fullDiskLeavesTheOldFileWhole_data();
    void fullDiskLeavesTheOldFileWhole();
    void lockOfALiveHolderFailsTheWriteInTimeAndOfADeadOneIsTakenOver();
    void twoProgramsSavingAtOnceKeepEveryValue();
    void damagedFileOnDiskIsKeptAside_data();
    void damagedFileOnDiskIsKeptAside();

private:
    QString settingsPath() const { return m_dir->path() + QStringLiteral("/Tarrowby Consulting/Pictarra.reg"); }
    QString settingsFolder() const { return QFileInfo(settingsPath()).absolutePath(); }
    QStringList settingsFolderEntries() const
    {
        return QDir(settingsFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }
    QProcess *startHelper(const QStringList &arguments);

    std::unique_ptr<QTemporaryDir> m_dir;
    QList<QProcess *> m_helpers;
};

void TestQtSettingsFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestQtSettingsFile::cleanup()
{
    for (QProcess *process : std::as_const(m_helpers)) {
        process->kill();
        process->waitForFinished();
        delete process;
    }
    m_helpers.clear();
    // Give back any permission a test took away, so the folder can be removed.
    QFile::setPermissions(settingsFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(settingsPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_dir.reset();
}

QProcess *TestQtSettingsFile::startHelper(const QStringList &arguments)
{
    auto *process = new QProcess;
    m_helpers.append(process);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--helper")} + arguments);
    if (!process->waitForStarted())
        qWarning() << "helper did not start:" << process->errorString();
    return process;
}

void TestQtSettingsFile::defaultPathFollowsXdgConfigHome()
{
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path() + QStringLiteral("/conf")));
    const QString withConfigHome = QtSettingsFile::defaultPath();
    qunsetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(m_dir->path()));
    const QString withHomeOnly = QtSettingsFile::defaultPath();
    qputenv("XDG_CONFIG_HOME", savedConfig);
    qputenv("HOME", savedHome);
    QCOMPARE(withConfigHome, m_dir->path() + QStringLiteral("/conf/Tarrowby Consulting/Pictarra.reg"));
    QCOMPARE(withHomeOnly, m_dir->path() + QStringLiteral("/.config/Tarrowby Consulting/Pictarra.reg"));
}

void TestQtSettingsFile::readsOnlyARegularFileOfSaneSize_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<qint64>("size");
    QTest::newRow("no folder") << "no folder" << false << true << qint64(0);
    QTest::newRow("empty file") << "empty" << true << true << qint64(0);
    QTest::newRow("at the size limit") << "limit" << true << true << QtSettingsFile::MaximumSize;
    QTest::newRow("over the size limit") << "over limit" << true << false << qint64(0);
    QTest::newRow("a folder in its place") << "folder" << true << false << qint64(0);
    QTest::newRow("a FIFO in its place") << "fifo" << true << false << qint64(0);
    QTest::newRow("a link to settings") << "link" << true << true << qint64(SmallSettings.size());
}

void TestQtSettingsFile::readsOnlyARegularFileOfSaneSize()
{
    QFETCH(QString, kind);
    QFETCH(bool, exists);
    QFETCH(bool, readable);
    QFETCH(qint64, size);
    const QString path = settingsPath();
    const QString elsewhere = m_dir->path() + QStringLiteral("/elsewhere.reg");
    if (kind != QLatin1String("no folder"))
        QVERIFY(QDir().mkpath(settingsFolder()));
    if (kind == QLatin1String("empty"))
        QVERIFY(writeFile(path, QByteArray()));
    else if (kind.endsWith(QLatin1String("limit")))
        QVERIFY(writeFile(path, QByteArray(QtSettingsFile::MaximumSize + (kind == QLatin1String("limit") ? 0 : 1), ';')));
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir().mkpath(path));
    else if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("link"))
        QVERIFY(writeFile(elsewhere, SmallSettings) && QFile::link(elsewhere, path));

    const SettingsFile::Snapshot snapshot = QtSettingsFile(path).read();
    QCOMPARE(snapshot.exists, exists);
    QCOMPARE(snapshot.readable, readable);
    QCOMPARE(snapshot.bytes.size(), size);
}

void TestQtSettingsFile::fileWithoutReadPermissionIsUnreadable()
{
    QVERIFY(writeFile(settingsPath(), SmallSettings));
    QVERIFY(QFile::setPermissions(settingsPath(), QFileDevice::WriteOwner));
    QFile probe(settingsPath());
    if (probe.open(QIODevice::ReadOnly))
        QSKIP("this process reads files whatever their permissions");
    const SettingsFile::Snapshot snapshot = QtSettingsFile(settingsPath()).read();
    QVERIFY(snapshot.exists);
    QVERIFY(!snapshot.readable);
}

void TestQtSettingsFile::updateCreatesTheFolderAndReplacesTheFile()
{
    QtSettingsFile file(settingsPath());
    QList<SettingsFile::Snapshot> seen;
    auto record = [&](std::optional<QByteArray> replacement) {
        return [&seen, replacement](const SettingsFile::Snapshot &snapshot) {
            seen.append(snapshot);
            return replacement;
        };
    };

    // Nothing to write: not even a file appears.
    QVERIFY(file.update(record(std::nullopt)));
    QVERIFY(!QFileInfo::exists(settingsPath()));
    QVERIFY(file.update(record(QByteArray("first"))));
    QVERIFY(file.update(record(QByteArray("second"))));
    QVERIFY(file.update(record(std::nullopt)));
    // A file too large to be read back is never written.
    QVERIFY(!file.update(record(QByteArray(QtSettingsFile::MaximumSize + 1, ';'))));
    QCOMPARE(seen.size(), 5);
    QVERIFY(!seen.at(1).exists);
    QCOMPARE(seen.at(2).bytes, QByteArray("first"));
    QCOMPARE(seen.at(3).bytes, QByteArray("second"));
    QCOMPARE(contentsOf(settingsPath()), QByteArray("second"));
    QCOMPARE(settingsFolderEntries(), QStringList{"Pictarra.reg"});  // no lock or temporary file left
}

void TestQtSettingsFile::keepAsideReplacesAnOlderBadFile()
{
    const QString bad = settingsPath() + QStringLiteral(".bad");
    QtSettingsFile file(settingsPath());
    QVERIFY(file.keepAside());  // nothing there: nothing to do
    QVERIFY(!QFileInfo::exists(bad));

    QVERIFY(writeFile(bad, "older"));
    QVERIFY(writeFile(settingsPath(), "damaged"));
    QVERIFY(file.keepAside());
    QVERIFY(!QFileInfo::exists(settingsPath()));
    QCOMPARE(contentsOf(bad), QByteArray("damaged"));

    // Another copy replaced the damaged file it read with a good one: that one stays.
    QVERIFY(writeFile(settingsPath(), "damaged again"));
    QCOMPARE(file.read().bytes, QByteArray("damaged again"));
    QtSettingsFile otherCopy(settingsPath());
    QVERIFY(otherCopy.update(replaceWith("good")));
    QVERIFY(file.keepAside());
    QCOMPARE(contentsOf(settingsPath()), QByteArray("good"));
    QCOMPARE(contentsOf(bad), QByteArray("damaged"));
}

void TestQtSettingsFile::readOnlyFolderLeavesTheOldFileWhole()
{
    QVERIFY(writeFile(settingsPath(), SmallSettings));
    QVERIFY(QFile::setPermissions(settingsFolder(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    if (QFile probe(settingsFolder() + QStringLiteral("/probe")); probe.open(QIODevice::WriteOnly))
        QSKIP("this process writes into read-only folders (root); the full-disk test covers the failure");

    QtSettingsFile file(settingsPath());
    QVERIFY(!file.update(replaceWith("new")));
    QVERIFY(!file.keepAside());
    QCOMPARE(contentsOf(settingsPath()), SmallSettings);

    SettingsStore store(file);
    store.fnRegSetString(RegRoot::CurrentUser, AppKeyPath, QStringLiteral("DELAY"), QStringLiteral("9"));
    QCOMPARE(contentsOf(settingsPath()), SmallSettings);
    QCOMPARE(store.fnRegGetValue(RegRoot::CurrentUser, AppKeyPath, QStringLiteral("DELAY"), QString()),
             QStringLiteral("7"));
}

void TestQtSettingsFile::fullDiskLeavesTheOldFileWhole_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("size");
    QTest::newRow("more than a write buffer: the write fails") << 4096 << 256 * 1024;
    // Fails only when flushed; the lock file (about a hundred bytes) still fits.
    QTest::newRow("within the write buffer") << 1024 << 4096;
}

void TestQtSettingsFile::fullDiskLeavesTheOldFileWhole()
{
    QFETCH(int, limit);
    QFETCH(int, size);
    QVERIFY(writeFile(settingsPath(), SmallSettings));
    QProcess *writer = startHelper({"full-disk", settingsPath(), QString::number(limit), QString::number(size)});
    QVERIFY(writer->waitForFinished(30000));
    QCOMPARE(writer->exitStatus(), QProcess::NormalExit);
    QCOMPARE(writer->exitCode(), 0);  // the failed write was reported
    QCOMPARE(contentsOf(settingsPath()), SmallSettings);
    QCOMPARE(settingsFolderEntries(), QStringList{"Pictarra.reg"});
}

// A live holder: the write fails after a bounded wait. Once the holder dies holding the lock
// (its lock file stays), the next write takes the lock over at once.
void TestQtSettingsFile::lockOfALiveHolderFailsTheWriteInTimeAndOfADeadOneIsTakenOver()
{
    QVERIFY(writeFile(settingsPath(), SmallSettings));
    QProcess *holder = startHelper({"hold-lock", settingsPath()});
    QTRY_VERIFY_WITH_TIMEOUT(holder->canReadLine() || holder->waitForReadyRead(100), 10000);
    QCOMPARE(holder->readLine().trimmed(), QByteArray("locked"));

    QtSettingsFile file(settingsPath());
    QElapsedTimer timer;
    timer.start();
    QVERIFY(!file.update(replaceWith("mine")));
    QVERIFY2(timer.elapsed() < QtSettingsFile::LockWaitMilliseconds + 1000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(contentsOf(settingsPath()), SmallSettings);

    holder->kill();
    QVERIFY(holder->waitForFinished());
    QVERIFY(QFileInfo::exists(settingsPath() + QStringLiteral(".lock")));
    timer.restart();
    QVERIFY(file.update(replaceWith("mine")));
    QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(contentsOf(settingsPath()), QByteArray("mine"));
}

void TestQtSettingsFile::twoProgramsSavingAtOnceKeepEveryValue()
{
    constexpr int Count = 60;
    const QList<QProcess *> writers{startHelper({"write-values", settingsPath(), "A", QString::number(Count)}),
                                    startHelper({"write-values", settingsPath(), "B", QString::number(Count)})};
    for (QProcess *writer : writers) {
        writer->write("go\n");
        writer->closeWriteChannel();
    }
    for (QProcess *writer : writers) {
        QVERIFY(writer->waitForFinished(120000));
        QCOMPARE(writer->exitCode(), 0);
    }

    QtSettingsFile file(settingsPath());
    QString failure;
    const std::optional<RegistryDocument> document = RegistryText::parse(file.read().bytes, &failure);
    QVERIFY2(document, qPrintable(failure));
    SettingsStore store(file);
    for (const char *prefix : {"A", "B"}) {
        for (int i = 0; i < Count; ++i)
            QCOMPARE(store.fnRegGetValue(RegRoot::CurrentUser, AppKeyPath, prefix + QString::number(i), "missing"),
                     i % 2 == 0 ? QString::number(i) : QStringLiteral("t%1").arg(i));
    }
    QCOMPARE(document->keys().size(), 3);  // Software, the maker key and the application key
    QCOMPARE(document->keys().last().values.size(), 2 * Count);
}

void TestQtSettingsFile::damagedFileOnDiskIsKeptAside_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("binary junk") << "junk";
    QTest::newRow("huge") << "huge";
    QTest::newRow("a FIFO") << "fifo";
}

void TestQtSettingsFile::damagedFileOnDiskIsKeptAside()
{
    QFETCH(QString, kind);
    const QString path = settingsPath();
    const QString bad = path + QStringLiteral(".bad");
    QByteArray original;
    if (kind == QLatin1String("fifo")) {
        QVERIFY(QDir().mkpath(settingsFolder()));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        original = kind == QLatin1String("junk") ? QByteArray("\x1f\x8b\x08\0\0\0\0\0\0\x03", 10).repeated(50)
                                                 : SmallSettings + QByteArray(100 * 1024 * 1024 / 8, ';');
        QVERIFY(writeFile(path, original));
    }

    QtSettingsFile file(path);
    SettingsStore store(file);
    QVERIFY(!store.fnRegKeyExists(RegRoot::CurrentUser, AppKeyPath));
    QVERIFY(!QFileInfo::exists(bad));  // reading alone moves nothing

    store.fnRegCreateKey(RegRoot::CurrentUser, AppKeyPath);
    store.fnRegSetString(RegRoot::CurrentUser, AppKeyPath, QStringLiteral("DELAY"), QStringLiteral("10"));
    if (kind == QLatin1String("fifo"))
        QVERIFY(QFileInfo(bad).exists() && !QFileInfo(bad).isFile());
    else
        QCOMPARE(contentsOf(bad), original);
    QVERIFY(RegistryText::parse(contentsOf(path)));
    QCOMPARE(store.fnRegGetValue(RegRoot::CurrentUser, AppKeyPath, QStringLiteral("DELAY"), QString()),
             QStringLiteral("10"));
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.value(1) == QLatin1String("--helper"))
        return helper::run(arguments);
    TestQtSettingsFile test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_qtsettingsfile.moc"
