#include "PictarraRun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcessEnvironment>
#include <QSaveFile>
#include <QScreen>

#include <cmath>

namespace {

const QString ApplicationKey = QStringLiteral("[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting\\Pictarra]");
const QStringList RecordOrder{QStringLiteral("LASTPATH"), QStringLiteral("Top"),    QStringLiteral("Left"),
                              QStringLiteral("Height"),   QStringLiteral("Width"),  QStringLiteral("FOLDER"),
                              QStringLiteral("DISPLAY"),  QStringLiteral("PICTURE"), QStringLiteral("ORDER"),
                              QStringLiteral("SCROLL"),   QStringLiteral("DELAY"),  QStringLiteral("PATTERN")};

// Twips of a screen fraction, rounded to the nearest, halves to even (the default mode).
qint32 twipsOf(int pixels, double fraction)
{
    return qint32(std::nearbyint(pixels * 15.0 * fraction));
}

QString escapedText(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return escaped;
}

} // namespace

QString dwordText(qint32 value)
{
    return QStringLiteral("dword:%1").arg(quint32(value), 8, 16, QLatin1Char('0'));
}

QString textValue(const QString &text)
{
    return QLatin1Char('"') + escapedText(text) + QLatin1Char('"');
}

PictarraRun::PictarraRun()
    : m_ownHome(std::make_unique<QTemporaryDir>())
{
    if (m_ownHome->isValid())
        m_homePath = m_ownHome->path();
    const QDir home(m_homePath);
    home.mkpath(QStringLiteral("config"));
    home.mkpath(QStringLiteral("data"));
    home.mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

PictarraRun::PictarraRun(const QString &home)
    : m_homePath(home)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

PictarraRun::~PictarraRun()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

QString PictarraRun::programPath()
{
    return qEnvironmentVariable("PICTARRA_E2E_PROGRAM");
}

QString PictarraRun::settingsPath() const
{
    return QDir(m_homePath).filePath(QStringLiteral("config/Tarrowby Consulting/Pictarra.reg"));
}

QString PictarraRun::settingsFolder() const
{
    return QFileInfo(settingsPath()).path();
}

QStringList PictarraRun::settingsFolderEntries() const
{
    return QDir(settingsFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                            QDir::Name);
}

bool PictarraRun::settingsExist() const
{
    return QFile::exists(settingsPath());
}

QByteArray PictarraRun::settingsBytes() const
{
    QFile file(settingsPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QMap<QString, QString> PictarraRun::settingsValues() const
{
    QMap<QString, QString> values;
    bool inApplicationKey = false;
    const QString text = QString::fromUtf8(settingsBytes());
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inApplicationKey = line.compare(ApplicationKey, Qt::CaseInsensitive) == 0;
            continue;
        }
        // "Name"=value; the test's own names hold no quotation marks.
        const qsizetype split = line.indexOf(QStringLiteral("\"="));
        if (!inApplicationKey || !line.startsWith(QLatin1Char('"')) || split < 0)
            continue;
        values.insert(line.mid(1, split - 1), line.mid(split + 2));
    }
    return values;
}

QMap<QString, QString> PictarraRun::firstRunValues(const QString &lastPath)
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    return {
        {QStringLiteral("LASTPATH"), textValue(lastPath)},
        {QStringLiteral("Top"), dwordText(twipsOf(screen.height(), 0.25))},
        {QStringLiteral("Left"), dwordText(twipsOf(screen.width(), 0.25))},
        {QStringLiteral("Height"), dwordText(twipsOf(screen.height(), 0.5))},
        {QStringLiteral("Width"), dwordText(twipsOf(screen.width(), 0.5))},
        {QStringLiteral("FOLDER"), dwordText(0)},
        {QStringLiteral("DISPLAY"), dwordText(0)},
        {QStringLiteral("PICTURE"), dwordText(0)},
        {QStringLiteral("ORDER"), dwordText(0)},
        {QStringLiteral("SCROLL"), dwordText(0)},
        {QStringLiteral("DELAY"), textValue(QStringLiteral("10"))},
        {QStringLiteral("PATTERN"), textValue(QString())},
    };
}

QStringList PictarraRun::recordNames()
{
    return RecordOrder;
}

QByteArray PictarraRun::recordText(const QMap<QString, QString> &values)
{
    QByteArray text = "Windows Registry Editor Version 5.00\n\n"
                      "[HKEY_CURRENT_USER\\Software]\n\n"
                      "[HKEY_CURRENT_USER\\Software\\Tarrowby Consulting]\n\n";
    text += ApplicationKey.toUtf8() + '\n';
    for (const QString &name : RecordOrder)
        text += QStringLiteral("\"%1\"=%2\n").arg(name, values.value(name)).toUtf8();
    text += '\n';
    return text;
}

bool PictarraRun::settingsHoldWholeRecord() const
{
    const QMap<QString, QString> values = settingsValues();
    QStringList names = RecordOrder;
    names.sort();  // as a QMap orders its keys
    return values.keys() == names && settingsBytes() == recordText(values);
}

bool PictarraRun::writeSettings(const QString &lastPath, const QMap<QString, QString> &changes) const
{
    QMap<QString, QString> values = firstRunValues(lastPath);
    for (auto change = changes.cbegin(); change != changes.cend(); ++change)
        values.insert(change.key(), change.value());
    return writeSettingsBytes(recordText(values));
}

bool PictarraRun::writeSettingsBytes(const QByteArray &bytes) const
{
    QDir().mkpath(settingsFolder());
    QSaveFile file(settingsPath());
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool PictarraRun::start(const QStringList &arguments, const QString &workingFolder)
{
    return startThrough(QString(), {}, arguments, workingFolder);
}

bool PictarraRun::startThrough(const QString &launcher, const QStringList &launcherArguments,
                               const QStringList &arguments, const QString &workingFolder)
{
    const QDir home(m_homePath);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), m_homePath);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.remove(QStringLiteral("PICTARRA_E2E_PROGRAM"));
    m_process.setProcessEnvironment(environment);
    m_process.setWorkingDirectory(workingFolder);
    m_throughLauncher = !launcher.isEmpty();
    if (m_throughLauncher)
        m_process.start(launcher, launcherArguments + QStringList{programPath()} + arguments);
    else
        m_process.start(programPath(), arguments);
    return m_process.waitForStarted(30000);
}

qint64 PictarraRun::pid() const
{
    const qint64 started = m_process.processId();
    if (!m_throughLauncher || started == 0)
        return started;
    // The launcher has one child, the program.
    QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(started));
    if (!children.open(QIODevice::ReadOnly))
        return 0;
    return children.readAll().trimmed().split(' ').value(0).toLongLong();
}

void PictarraRun::kill()
{
    m_process.kill();
}

bool PictarraRun::waitForExit(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return true;
    return m_process.waitForFinished(timeoutMs);
}

bool PictarraRun::exitedCleanly() const
{
    return m_process.state() == QProcess::NotRunning && m_process.exitStatus() == QProcess::NormalExit
        && m_process.exitCode() == 0;
}

QString PictarraRun::report()
{
    m_output += m_process.readAll();
    QString state;
    if (m_process.state() != QProcess::NotRunning)
        state = QStringLiteral("still running");
    else if (m_process.exitStatus() == QProcess::CrashExit)
        state = QStringLiteral("crashed");
    else
        state = QStringLiteral("exit status %1").arg(m_process.exitCode());
    return QStringLiteral("pictarra %1; output:\n%2").arg(state, QString::fromLocal8Bit(m_output));
}
