#pragma once

#include <QByteArray>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// One run of the real program with a home of its own: an empty temporary HOME and
// XDG_CONFIG_HOME, so that the settings file it reads and writes is the test's alone.
// The process is ended when the run is destroyed, whatever state the test left it in.
class PictarraRun
{
public:
    PictarraRun();
    ~PictarraRun();
    PictarraRun(const PictarraRun &) = delete;
    PictarraRun &operator=(const PictarraRun &) = delete;

    // The built program, as CMake hands it over; empty when the tests were started by hand.
    static QString programPath();

    bool isValid() const { return m_home.isValid(); }
    QString homePath() const { return m_home.path(); }

    // `$XDG_CONFIG_HOME/Tarrowby Consulting/Pictarra.reg`.
    QString settingsPath() const;
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

    // Starts the program with these arguments (never through a shell) in `workingFolder`.
    bool start(const QStringList &arguments, const QString &workingFolder);
    qint64 pid() const { return m_process.processId(); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // Waits until the process has ended of its own accord.
    bool waitForExit(int timeoutMs);
    bool exitedCleanly() const;
    // Exit status and everything the program printed, for failure messages.
    QString report();

private:
    QTemporaryDir m_home;
    QProcess m_process;
    QByteArray m_output;
};

// A settings value's raw right-hand side for a 32-bit number: "dword:0000000a".
QString dwordText(qint32 value);
// ... and for text: "\"10\"".
QString textValue(const QString &text);
