#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// One run of the real program with a home of its own: an empty temporary HOME and
// XDG_CONFIG_HOME, so that the settings file it reads and writes is the test's alone.
// The process is ended when the run is destroyed, whatever state the test left it in.
class PictarraRun
{
public:
    PictarraRun();
    // A second copy of the program for the same user: it uses `home`, another run's home,
    // which must outlive this run.
    explicit PictarraRun(const QString &home);
    ~PictarraRun();
    PictarraRun(const PictarraRun &) = delete;
    PictarraRun &operator=(const PictarraRun &) = delete;

    // The built program, as CMake hands it over; empty when the tests were started by hand.
    static QString programPath();

    bool isValid() const { return !m_homePath.isEmpty(); }
    QString homePath() const { return m_homePath; }

    // `$XDG_CONFIG_HOME/Tarrowby Consulting/Pictarra.reg`.
    QString settingsPath() const;
    // The folder that holds it, and the names of everything in that folder.
    QString settingsFolder() const;
    QStringList settingsFolderEntries() const;
    bool settingsExist() const;
    QByteArray settingsBytes() const;
    // Values of the application key by name, each as written after "=": `"10"`,
    // `dword:00000000`. Empty when the file is missing or holds no such key.
    QMap<QString, QString> settingsValues() const;
    // The record a first run writes on this screen, with LASTPATH `lastPath`.
    static QMap<QString, QString> firstRunValues(const QString &lastPath);
    // Writes a complete settings record in the program's own format: firstRunValues(), then
    // `changes` on top (raw right-hand sides, as settingsValues() gives them).
    bool writeSettings(const QString &lastPath, const QMap<QString, QString> &changes = {}) const;
    // Replaces the settings file with exactly these bytes.
    bool writeSettingsBytes(const QByteArray &bytes) const;

    // The names of the settings record, in the order the program writes them.
    static QStringList recordNames();
    // The whole file, byte for byte, as the program writes a record with these values (every
    // name of recordNames() present): the same text parsed and written again is the same.
    static QByteArray recordText(const QMap<QString, QString> &values);
    // The file holds one whole record: every value of it, nothing else, nothing cut short.
    bool settingsHoldWholeRecord() const;

    // Starts the program with these arguments (never through a shell) in `workingFolder`.
    bool start(const QStringList &arguments, const QString &workingFolder);
    // Starts it through a launcher program: `launcher launcherArguments... program
    // arguments...`. The launcher starts the program as its child and ends with its status.
    bool startThrough(const QString &launcher, const QStringList &launcherArguments, const QStringList &arguments,
                      const QString &workingFolder);
    // The program's process id (the launcher's child when started through one; 0 until it
    // has started).
    qint64 pid() const;
    // SIGKILL, as the program gets it from a crash or a killed session.
    void kill();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // Waits until the process has ended of its own accord.
    bool waitForExit(int timeoutMs);
    bool exitedCleanly() const;
    // Exit status and everything the program printed, for failure messages.
    QString report();

private:
    std::unique_ptr<QTemporaryDir> m_ownHome;
    QString m_homePath;
    QProcess m_process;
    QByteArray m_output;
    bool m_throughLauncher = false;
};

// A settings value's raw right-hand side for a 32-bit number: "dword:0000000a".
QString dwordText(qint32 value);
// ... and for text: "\"10\"".
QString textValue(const QString &text);
