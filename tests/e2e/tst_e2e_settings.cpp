// End to end: the real program's settings file when things go wrong around it - damaged at
// start-up, a full or read-only disk at exit, two copies exiting at once, a kill mid-save, a
// stale lock. The program starts and ends as usual and the user's record is never lost: the
// file is the old one or a whole new record, and a damaged file is kept aside.
#include "Desktop.h"
#include "PictarraRun.h"
#include "ProgramWindows.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <iostream>
#include <limits>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <utime.h>

namespace {

using WindowId = Desktop::WindowId;

constexpr qint64 HundredMegabytes = 100 * 1024 * 1024;
// Client points of "In a window (normal)" and the position bar's check box.
const QPoint WindowedDisplayOption(31 + 157 + 7, 430 + 8);
const QPoint ScrollBarCheckBox(568 + 7, 464 + 8);

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

// Saved at exit when nobody touched the first-run record: the blank pattern as "*.*".
QMap<QString, QString> savedWithoutChanges(const QString &lastPath)
{
    QMap<QString, QString> values = PictarraRun::firstRunValues(lastPath);
    values.insert(QStringLiteral("PATTERN"), textValue(QStringLiteral("*.*")));
    return values;
}

// A fingerprint of a file's whole contents, read in pieces (some files here are 100 MB).
QByteArray digestOf(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return QByteArray::number(file.size()) + ':' + hash.result().toHex();
}

struct stat statusOf(const QString &path)
{
    struct stat status {};
    ::lstat(QFile::encodeName(path).constData(), &status);  // all zero when there is none
    return status;
}

qint64 modifiedNanoseconds(const QString &path)
{
    const struct stat status = statusOf(path);
    return qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
}

// Where the file is now: a replacement is a new file (the program renames a new one over it).
QByteArray identityOf(const QString &path)
{
    return QByteArray::number(quint64(statusOf(path).st_ino)) + ':' + QByteArray::number(modifiedNanoseconds(path));
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

bool setAge(const QString &path, int seconds)
{
    const time_t then = time(nullptr) - seconds;
    const utimbuf times{then, then};
    return ::utime(QFile::encodeName(path).constData(), &times) == 0;
}

// A file this process may read although it has no read permission: it runs as root.
bool readPermissionIsIgnored(const QString &folder)
{
    const QString probe = QDir(folder).filePath(QStringLiteral("permission-probe"));
    if (!writeFile(probe, "x") || !QFile::setPermissions(probe, {}))
        return false;
    QFile file(probe);
    const bool opened = file.open(QIODevice::ReadOnly);
    file.close();
    QFile::remove(probe);
    return opened;
}

// Helper mode "--hold-lock PATH": takes the lock as the program does, says "locked" and keeps
// it until killed.
int holdLock(const QString &lockPath)
{
    QLockFile lock(lockPath);
    if (!lock.tryLock(0))
        return 1;
    std::cout << "locked" << std::endl;
    std::cin.ignore(std::numeric_limits<std::streamsize>::max());
    return 0;
}

} // namespace

class tst_E2ESettings : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void damagedFileIsKeptAsideAndStartUpGoesOn_data();
    void damagedFileIsKeptAsideAndStartUpGoesOn();
    void fullOrReadOnlyDiskAtExitLeavesTheOldFileWhole_data();
    void fullOrReadOnlyDiskAtExitLeavesTheOldFileWhole();
    void twoCopiesExitingAtOnceLeaveOneWholeRecord();
    void killDuringTheSaveLeavesAWholeRecord();
    void staleLockDoesNotStopTheSave_data();
    void staleLockDoesNotStopTheSave();

private:
    // Starts the program (already started through a launcher when `started`), waits for its
    // main window, asks it to close and waits for it to end with status 0.
    bool runAndClose(PictarraRun &run, bool started = false);
    // Asks the main window to close and watches the settings file closely until the save has
    // first replaced it; gives the replacement's modification time (ns), 0 when none came.
    qint64 closeAndWatchSaveBegin(PictarraRun &run, WindowId main);
    QByteArray failure(PictarraRun &run, const QString &what) const;

    std::unique_ptr<PictarraRun> m_run;
    QString m_lastProblem;
};

void tst_E2ESettings::initTestCase()
{
    if (PictarraRun::programPath().isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs the X server and window manager of run-e2e.sh (ctest -R e2e)");
    QVERIFY2(QFileInfo(PictarraRun::programPath()).isExecutable(), qPrintable(PictarraRun::programPath()));
}

void tst_E2ESettings::init()
{
    m_run = std::make_unique<PictarraRun>();
    QVERIFY(m_run->isValid());
    m_lastProblem.clear();
}

void tst_E2ESettings::cleanup()
{
    m_run.reset();
}

bool tst_E2ESettings::runAndClose(PictarraRun &run, bool started)
{
    if (!started && !run.start({}, run.homePath())) {
        m_lastProblem = QStringLiteral("the program did not start");
        return false;
    }
    const WindowId main = ProgramWindows::waitForMainWindow(run);
    if (!main) {
        m_lastProblem = QStringLiteral("the main window did not show alone");
        return false;
    }
    if (!Desktop::requestClose(main)) {
        m_lastProblem = QStringLiteral("the close request was refused");
        return false;
    }
    if (!run.waitForExit(Desktop::TimeoutMs) || !run.exitedCleanly()) {
        m_lastProblem = QStringLiteral("no clean exit after the close request");
        return false;
    }
    return true;
}

qint64 tst_E2ESettings::closeAndWatchSaveBegin(PictarraRun &run, WindowId main)
{
    const QByteArray before = identityOf(run.settingsPath());
    if (!Desktop::requestClose(main))
        return 0;
    // Polled finely: the kill is to fall inside a save of a few milliseconds.
    const QDeadlineTimer deadline(Desktop::TimeoutMs);
    while (identityOf(run.settingsPath()) == before && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        if (!run.isRunning())
            break;
        QThread::usleep(100);
    }
    return identityOf(run.settingsPath()) != before ? modifiedNanoseconds(run.settingsPath()) : 0;
}

QByteArray tst_E2ESettings::failure(PictarraRun &run, const QString &what) const
{
    QString text = what;
    if (!m_lastProblem.isEmpty())
        text += QStringLiteral(": ") + m_lastProblem;
    if (!Desktop::lastFailure().isEmpty())
        text += QStringLiteral("\n  last tool failure: ") + Desktop::lastFailure();
    text += QStringLiteral("\n  folder: ") + run.settingsFolderEntries().join(QStringLiteral(", "));
    text += QStringLiteral("\n  ") + run.report();
    return text.toLocal8Bit();
}

void tst_E2ESettings::damagedFileIsKeptAsideAndStartUpGoesOn_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("cutAfter");  // a cut record ends just after this text
    QTest::addColumn<bool>("keptAside");  // otherwise nothing of the user's is in it

    QTest::newRow("missing") << "missing" << QByteArray() << false;
    QTest::newRow("empty: an empty store, written over") << "empty" << QByteArray() << false;
    QTest::newRow("cut in the header line") << "cut" << QByteArray("Windows Registry Ed") << true;
    QTest::newRow("cut in a key line") << "cut" << QByteArray("Tarrowby Consulting\\Pic") << true;
    QTest::newRow("cut in a text value") << "cut" << QByteArray("\"DELAY\"=\"7") << true;
    QTest::newRow("cut in a number") << "cut" << QByteArray("\"Top\"=dword:000") << true;
    QTest::newRow("binary junk") << "junk" << QByteArray() << true;
    QTest::newRow("a FIFO in its place") << "fifo" << QByteArray() << true;
    QTest::newRow("100 MB, sparse") << "sparse" << QByteArray() << true;
    QTest::newRow("100 MB of well-formed text") << "text" << QByteArray() << true;
    QTest::newRow("no read permission") << "unreadable" << QByteArray() << true;
}

// Start-up goes on with first-run values over a file it cannot use; the first write moves
// that file aside whole, and closing the main window then saves a fresh record.
void tst_E2ESettings::damagedFileIsKeptAsideAndStartUpGoesOn()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, cutAfter);
    QFETCH(bool, keptAside);

    const QString path = m_run->settingsPath();
    const QString bad = path + QStringLiteral(".bad");
    QVERIFY(QDir().mkpath(m_run->settingsFolder()));
    // A record the user had, with a delay that differs from the first-run one.
    QMap<QString, QString> userValues = PictarraRun::firstRunValues(canonical(m_run->homePath()));
    userValues.insert(QStringLiteral("DELAY"), textValue(QStringLiteral("77")));
    const QByteArray userRecord = PictarraRun::recordText(userValues);

    if (kind == QLatin1String("empty")) {
        QVERIFY(writeFile(path, {}));
    } else if (kind == QLatin1String("cut")) {
        const qsizetype at = userRecord.indexOf(cutAfter);
        QVERIFY(at >= 0);
        QVERIFY(writeFile(path, userRecord.left(at + cutAfter.size())));
    } else if (kind == QLatin1String("junk")) {
        QByteArray junk;
        for (quint32 i = 0, seed = 12345; i < 3000; ++i)
            junk.append(char((seed = seed * 1103515245u + 12345u) >> 24));
        QVERIFY(junk.contains('\0'));
        QVERIFY(writeFile(path, junk));
    } else if (kind == QLatin1String("fifo")) {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("sparse")) {
        QVERIFY(writeFile(path, userRecord));
        QVERIFY(QFile::resize(path, HundredMegabytes));
    } else if (kind == QLatin1String("text")) {
        // A record that would read well but for its size: comment lines after the values.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(userRecord) == userRecord.size());
        const QByteArray comments = QByteArray("; a comment line of a settings file\n").repeated(30000);
        while (file.size() < HundredMegabytes)
            QVERIFY(file.write(comments) == comments.size());
    } else if (kind == QLatin1String("unreadable")) {
        if (readPermissionIsIgnored(m_run->settingsFolder()))
            QSKIP("this process reads files without read permission (it runs as root); needs a normal user");
        QVERIFY(writeFile(path, userRecord));
    }
    const QByteArray digest = kind == QLatin1String("fifo") || kind == QLatin1String("missing") ? QByteArray()
                                                                                               : digestOf(path);
    if (kind == QLatin1String("unreadable"))
        QVERIFY(QFile::setPermissions(path, {}));

    QVERIFY2(runAndClose(*m_run), failure(*m_run, QStringLiteral("start-up did not go on")));

    QVERIFY2(m_run->settingsHoldWholeRecord(), failure(*m_run, QStringLiteral("not one whole record")));
    QCOMPARE(m_run->settingsValues(), savedWithoutChanges(canonical(m_run->homePath())));
    QStringList expectedEntries{QStringLiteral("Pictarra.reg")};
    if (keptAside) {
        expectedEntries << QStringLiteral("Pictarra.reg.bad");
        if (kind == QLatin1String("fifo")) {
            QVERIFY(S_ISFIFO(statusOf(bad).st_mode));
        } else {
            QVERIFY(QFile::setPermissions(bad, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            QCOMPARE(digestOf(bad), digest);
        }
    }
    QCOMPARE(m_run->settingsFolderEntries().join(QLatin1Char(' ')), expectedEntries.join(QLatin1Char(' ')));
}

void tst_E2ESettings::fullOrReadOnlyDiskAtExitLeavesTheOldFileWhole_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("saved");

    // The save lands on the small disk (the cases below would pass on one that lost writes).
    QTest::newRow("room to spare") << "with-room" << true;
    QTest::newRow("no free block, not even for the lock") << "full" << false;
    QTest::newRow("one free block: the lock, no new file") << "one-block-free" << false;
    QTest::newRow("no free inode") << "no-inode-free" << false;
    QTest::newRow("read-only") << "read-only" << false;
}

// The settings folder on a tiny disk of its own: the program starts, reads its settings and
// ends normally on the close request; when the save cannot be made the old file is there,
// byte for byte, and nothing of the failed save (lock file, new file) is left beside it.
void tst_E2ESettings::fullOrReadOnlyDiskAtExitLeavesTheOldFileWhole()
{
    QFETCH(QString, state);
    QFETCH(bool, saved);

    const QString launcher = qEnvironmentVariable("PICTARRA_E2E_SMALL_DISK");
    QVERIFY2(QFileInfo(launcher).isExecutable(), qPrintable(QStringLiteral("PICTARRA_E2E_SMALL_DISK: ") + launcher));
    const QString home = canonical(m_run->homePath());
    QVERIFY(m_run->writeSettings(home));
    const QByteArray before = m_run->settingsBytes();
    const QString copyOut = QDir(home).filePath(QStringLiteral("left-on-the-small-disk"));
    QVERIFY(QDir().mkpath(copyOut));

    QVERIFY(m_run->startThrough(launcher, {state, m_run->settingsFolder(), copyOut}, {}, home));
    if (!ProgramWindows::waitForMainWindow(*m_run) && m_run->waitForExit(Desktop::TimeoutMs)) {
        const QString report = m_run->report();
        if (report.contains(QLatin1String("exit status 77")))
            QSKIP(qPrintable(QStringLiteral("no small disk of its own for the program here: ") + report));
    }
    QVERIFY2(runAndClose(*m_run, true), failure(*m_run, QStringLiteral("no normal run on the small disk")));

    const QDir left(copyOut);
    QCOMPARE(left.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).join(QLatin1Char(' ')),
             QStringLiteral("Pictarra.reg"));
    QFile file(left.filePath(QStringLiteral("Pictarra.reg")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray after = file.readAll();
    if (saved)
        QCOMPARE(after, PictarraRun::recordText(savedWithoutChanges(home)));
    else
        QCOMPARE(after, before);
    QCOMPARE(m_run->settingsBytes(), before);  // the real folder, under the small disk
}

// Two copies of the program for the same user, each with an option of its own changed,
// closed at the same moment: each writes its record value by value, so each value is one of
// the two copies' and the file is one whole record, with no lock or new file left over.
void tst_E2ESettings::twoCopiesExitingAtOnceLeaveOneWholeRecord()
{
    const QString home = canonical(m_run->homePath());
    const QMap<QString, QString> saved = savedWithoutChanges(home);
    for (int round = 0; round < 2; ++round) {
        QVERIFY(m_run->writeSettings(home));
        PictarraRun second(m_run->homePath());
        QVERIFY(m_run->start({}, home));
        const WindowId firstMain = ProgramWindows::waitForMainWindow(*m_run);
        QVERIFY2(firstMain, failure(*m_run, QStringLiteral("the first copy's main window did not show")));
        QVERIFY(second.start({}, home));
        const WindowId secondMain = ProgramWindows::waitForMainWindow(second);
        QVERIFY2(secondMain, failure(second, QStringLiteral("the second copy's main window did not show")));

        // The windows lie on top of each other; activating one raises it.
        for (const auto &[window, option] : {std::pair{firstMain, WindowedDisplayOption},
                                             std::pair{secondMain, ScrollBarCheckBox}}) {
            const QRect client = Desktop::clientRect(window);
            QVERIFY(!client.isEmpty());
            QVERIFY2(Desktop::activate(window) && Desktop::click(client.topLeft() + option),
                     failure(*m_run, QStringLiteral("could not change an option")));
        }

        QVERIFY2(Desktop::requestCloseAll({firstMain, secondMain}), failure(*m_run, QStringLiteral("close refused")));
        QVERIFY2(m_run->waitForExit(Desktop::TimeoutMs) && m_run->exitedCleanly(),
                 failure(*m_run, QStringLiteral("the first copy did not end cleanly")));
        QVERIFY2(second.waitForExit(Desktop::TimeoutMs) && second.exitedCleanly(),
                 failure(second, QStringLiteral("the second copy did not end cleanly")));

        QVERIFY2(m_run->settingsHoldWholeRecord(), failure(*m_run, QStringLiteral("not one whole record")));
        QMap<QString, QString> values = m_run->settingsValues();
        // The first copy saves DISPLAY 1 and SCROLL 0, the second DISPLAY 0 and SCROLL 1.
        QVERIFY2(QStringList({dwordText(0), dwordText(1)}).contains(values.take(QStringLiteral("DISPLAY"))), "DISPLAY");
        QVERIFY2(QStringList({dwordText(0), dwordText(1)}).contains(values.take(QStringLiteral("SCROLL"))), "SCROLL");
        QMap<QString, QString> common = saved;
        common.remove(QStringLiteral("DISPLAY"));
        common.remove(QStringLiteral("SCROLL"));
        QCOMPARE(values, common);
        QCOMPARE(m_run->settingsFolderEntries().join(QLatin1Char(' ')), QStringLiteral("Pictarra.reg"));
    }
}

// The program killed at a spread of moments after its save began: the file is never cut
// short or missing. It is written value by value, each write replacing the whole file, so
// it is the old record with the first k values of the new one, for some k from 0 to 12.
// The next run takes over the lock the killed one left and saves normally.
void tst_E2ESettings::killDuringTheSaveLeavesAWholeRecord()
{
    const QString home = canonical(m_run->homePath());
    // Stored values the program does not save back as they are: negative placements are
    // ignored (saved as 0), the delay is saved trimmed and a blank pattern becomes "*.*", so
    // the old and the new record differ early, in the middle and at the end.
    QVERIFY(m_run->writeSettings(home, {{QStringLiteral("Top"), dwordText(-120)},
                                        {QStringLiteral("Left"), dwordText(-60)},
                                        {QStringLiteral("DELAY"), textValue(QStringLiteral(" 12"))}}));
    const QByteArray oldBytes = m_run->settingsBytes();
    const QMap<QString, QString> oldValues = m_run->settingsValues();

    // An undisturbed run gives the new record, and how long the save takes from the first
    // replacement of the file to the last, as the file system's clock says.
    QVERIFY(m_run->start({}, home));
    const WindowId firstMain = ProgramWindows::waitForMainWindow(*m_run);
    QVERIFY2(firstMain, failure(*m_run, QStringLiteral("the main window did not show")));
    const qint64 saveBegan = closeAndWatchSaveBegin(*m_run, firstMain);
    QVERIFY2(saveBegan, failure(*m_run, QStringLiteral("the save never began")));
    QVERIFY2(m_run->waitForExit(Desktop::TimeoutMs) && m_run->exitedCleanly(),
             failure(*m_run, QStringLiteral("no clean exit after the close request")));
    const double saveMs = std::max<double>(1.0, double(modifiedNanoseconds(m_run->settingsPath()) - saveBegan) / 1e6);
    QVERIFY2(m_run->settingsHoldWholeRecord(), failure(*m_run, QStringLiteral("not one whole record")));
    const QByteArray newBytes = m_run->settingsBytes();
    const QMap<QString, QString> newValues = m_run->settingsValues();
    for (const char *name : {"Top", "Left", "DELAY", "PATTERN"})
        QVERIFY2(newValues.value(QLatin1String(name)) != oldValues.value(QLatin1String(name)), name);

    // Every state the file passes through while the record is saved.
    QList<QByteArray> states;
    QMap<QString, QString> partly = oldValues;
    states << PictarraRun::recordText(partly);
    for (const QString &name : PictarraRun::recordNames()) {
        partly.insert(name, newValues.value(name));
        states << PictarraRun::recordText(partly);
    }
    QCOMPARE(states.first(), oldBytes);
    QCOMPARE(states.last(), newBytes);

    // Kills spread from the first replacement to a little past the end of the save.
    constexpr int Rounds = 8;
    QStringList landed;
    for (int round = 0; round < Rounds; ++round) {
        const double delayMs = saveMs * 1.25 * round / (Rounds - 1);
        QVERIFY(m_run->writeSettingsBytes(oldBytes));  // a lock left by the last kill stays
        PictarraRun run(m_run->homePath());
        QVERIFY(run.start({}, home));
        const WindowId main = ProgramWindows::waitForMainWindow(run);
        QVERIFY2(main, failure(run, QStringLiteral("the main window did not show")));
        QVERIFY2(closeAndWatchSaveBegin(run, main), failure(run, QStringLiteral("the save never began")));
        QThread::usleep(ulong(delayMs * 1000));  // where the kill falls, not a wait for a result
        run.kill();
        QVERIFY(run.waitForExit(Desktop::TimeoutMs));

        const QByteArray now = run.settingsBytes();
        const qsizetype state = states.indexOf(now);
        QVERIFY2(state >= 0, failure(run, QStringLiteral("killed %1 ms into the save, the file is no whole record:\n%2")
                                               .arg(delayMs)
                                               .arg(QString::fromUtf8(now))));
        landed << QStringLiteral("%1 ms: %2").arg(delayMs, 0, 'f', 1).arg(state);
    }
    qInfo("the save took %.1f ms; kills landed (ms into the save: values of the new record, of 12) at %s", saveMs,
          qPrintable(landed.join(QStringLiteral(", "))));

    // What the kills left (a lock) does not stop the next save.
    QVERIFY(m_run->writeSettingsBytes(oldBytes));
    QVERIFY2(runAndClose(*m_run), failure(*m_run, QStringLiteral("the run after the kills")));
    QCOMPARE(m_run->settingsBytes(), newBytes);
    QStringList strays = m_run->settingsFolderEntries();
    QVERIFY(strays.removeOne(QStringLiteral("Pictarra.reg")));
    // The one thing a kill may leave: the new file is linked under a temporary name and then
    // renamed over the old one, and a kill between the two leaves that name - holding a
    // whole record. Locks must not pile up.
    const QRegularExpression temporaryName(QStringLiteral("^Pictarra\\.reg\\.[A-Za-z0-9]{6}$"));
    for (const QString &stray : std::as_const(strays)) {
        QFile file(QDir(m_run->settingsFolder()).filePath(stray));
        QVERIFY2(temporaryName.match(stray).hasMatch() && file.open(QIODevice::ReadOnly)
                     && states.contains(file.readAll()),
                 qPrintable(QStringLiteral("left in the settings folder: ") + stray));
    }
}

void tst_E2ESettings::staleLockDoesNotStopTheSave_data()
{
    QTest::addColumn<QString>("lock");

    QTest::newRow("its holder was killed") << "killed holder";
    QTest::newRow("empty, just made (its writer died at once)") << "empty";
    QTest::newRow("junk, an hour old") << "junk";
    QTest::newRow("naming a live process of another program, an hour old") << "live other";
}

// A lock file left next to the settings file by a process that is gone: the program takes
// it over and saves at exit, and ends in time (were it to wait out every write's lock, the
// twelve writes would take over half a minute).
void tst_E2ESettings::staleLockDoesNotStopTheSave()
{
    QFETCH(QString, lock);

    const QString home = canonical(m_run->homePath());
    QVERIFY(m_run->writeSettings(home));
    const QString lockPath = m_run->settingsPath() + QStringLiteral(".lock");
    if (lock == QLatin1String("killed holder")) {
        QProcess holder;
        holder.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), lockPath});
        QVERIFY(holder.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(holder.canReadLine() || holder.state() == QProcess::NotRunning, Desktop::TimeoutMs);
        QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));
        holder.kill();
        QVERIFY(holder.waitForFinished());
    } else if (lock == QLatin1String("empty")) {
        QVERIFY(writeFile(lockPath, {}));
    } else if (lock == QLatin1String("junk")) {
        QVERIFY(writeFile(lockPath, QByteArray("\x01\xff junk\0\n", 9)));
        QVERIFY(setAge(lockPath, 3600));
    } else {
        const QByteArray text = "1\npictarra\n" + QSysInfo::machineHostName().toUtf8() + '\n';
        QVERIFY(writeFile(lockPath, text));
        QVERIFY(setAge(lockPath, 3600));
    }
    QVERIFY(QFileInfo::exists(lockPath));

    QVERIFY2(runAndClose(*m_run), failure(*m_run, QStringLiteral("no normal run with the stale lock")));
    QVERIFY2(m_run->settingsHoldWholeRecord(), failure(*m_run, QStringLiteral("not one whole record")));
    QCOMPARE(m_run->settingsValues(), savedWithoutChanges(home));
    QCOMPARE(m_run->settingsFolderEntries().join(QLatin1Char(' ')), QStringLiteral("Pictarra.reg"));
}

int main(int argc, char *argv[])
{
    if (argc == 3 && std::string(argv[1]) == "--hold-lock")
        return holdLock(QFile::decodeName(argv[2]));
    QGuiApplication application(argc, argv);
    tst_E2ESettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_e2e_settings.moc"
