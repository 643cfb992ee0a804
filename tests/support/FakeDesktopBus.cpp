#include "FakeDesktopBus.h"

#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QMutexLocker>
#include <QStandardPaths>
#include <QTimer>
#include <QVariantMap>

#include <optional>
#include <utility>

namespace {

const QString PortalName = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString ScreenSaverName = QStringLiteral("org.freedesktop.ScreenSaver");
const QString ScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");

// A session bus that lets everyone talk to everyone and starts nothing on demand, so that no
// real desktop service of the machine ever answers.
const char BusConfig[] =
    "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
    " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
    "<busconfig>\n"
    "  <type>session</type>\n"
    "  <listen>unix:dir=%1</listen>\n"
    "  <auth>EXTERNAL</auth>\n"
    "  <policy context=\"default\">\n"
    "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
    "    <allow eavesdrop=\"true\"/>\n"
    "    <allow own=\"*\"/>\n"
    "  </policy>\n"
    "</busconfig>\n";

} // namespace

// Everything the services do runs on their own thread.
class FakeDesktopServices : public QObject
{
    Q_OBJECT
public:
    FakeDesktopServices(FakeDesktopBus &recorder, const QString &address)
        : m_recorder(recorder), m_address(address)
    {
    }

    QDBusConnection &connection() { return *m_connection; }

    // Records a granted inhibition and answers with call.answer: now, or when the test lets
    // the held answers go.
    void grant(const FakeDesktopBus::Call &call, const QString &inhibition, QDBusContext &context)
    {
        m_recorder.record(call);
        m_recorder.setHeld(inhibition, true);
        if (m_holdDelayMs == NotHeld)
            return;  // the slot's own return value answers
        context.setDelayedReply(true);
        m_held.append(context.message().createReply(call.answer));
        if (m_holdDelayMs >= 0)
            QTimer::singleShot(m_holdDelayMs, this, &FakeDesktopServices::answerHeld);
    }
    void withdraw(const FakeDesktopBus::Call &call, const QString &inhibition)
    {
        m_recorder.record(call);
        m_recorder.setHeld(inhibition, false);
    }

    QString newRequestHandle() { return QStringLiteral("%1/request/fake/%2").arg(PortalPath).arg(++m_requestCount); }
    uint newCookie() { return 4100 + ++m_cookieCount; }

    bool offer(int portal, bool screenSaver);
    void holdAnswers(int delayMs) { m_holdDelayMs = delayMs; }
    void answerHeld()
    {
        for (const QDBusMessage &reply : std::exchange(m_held, {}))
            m_connection->send(reply);
    }
    void shutDown()
    {
        answerHeld();
        const QString name = m_connection->name();
        m_connection.reset();
        QDBusConnection::disconnectFromBus(name);
    }

private:
    static constexpr int NotHeld = -2;

    FakeDesktopBus &m_recorder;
    QString m_address;
    std::optional<QDBusConnection> m_connection;
    int m_holdDelayMs = NotHeld;
    QList<QDBusMessage> m_held;
    int m_requestCount = 0;
    uint m_cookieCount = 0;
};

class FakeScreenSaver : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    explicit FakeScreenSaver(FakeDesktopServices &services) : QObject(&services), m_services(services) {}

public Q_SLOTS:
    uint Inhibit(const QString &application, const QString &reason)
    {
        const uint cookie = m_services.newCookie();
        m_services.grant({ScreenSaverName, QStringLiteral("Inhibit"), ScreenSaverPath, {application, reason}, cookie},
                         QString::number(cookie), *this);
        return cookie;
    }
    // Not recorded: the tests' fence (sync()).
    bool GetActive() { return false; }
    void UnInhibit(uint cookie)
    {
        m_services.withdraw({ScreenSaverName, QStringLiteral("UnInhibit"), ScreenSaverPath, {cookie}, {}},
                            QString::number(cookie));
    }

private:
    FakeDesktopServices &m_services;
};

// The Request object a portal call returns; closing it ends the inhibition it stands for.
class FakePortalRequest : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    FakePortalRequest(FakeDesktopServices &services, const QString &path)
        : QObject(&services), m_services(services), m_path(path)
    {
    }

public Q_SLOTS:
    void Close()
    {
        m_services.withdraw({QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Close"), m_path, {}, {}},
                            m_path);
        m_services.connection().unregisterObject(m_path);
        deleteLater();
    }

private:
    FakeDesktopServices &m_services;
    QString m_path;
};

class FakePortalInhibit : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public:
    explicit FakePortalInhibit(FakeDesktopServices &services) : QObject(&services), m_services(services) {}

public Q_SLOTS:
    QDBusObjectPath Inhibit(const QString &window, uint flags, const QVariantMap &options)
    {
        // A handle of the service's own choosing: callers must use the one they are given.
        const QString handle = m_services.newRequestHandle();
        m_services.connection().registerObject(handle, new FakePortalRequest(m_services, handle),
                                               QDBusConnection::ExportAllSlots);
        m_services.grant({QStringLiteral("org.freedesktop.portal.Inhibit"), QStringLiteral("Inhibit"), PortalPath,
                          {window, flags, options}, QVariant::fromValue(QDBusObjectPath(handle))},
                         handle, *this);
        return QDBusObjectPath(handle);
    }

private:
    FakeDesktopServices &m_services;
};

bool FakeDesktopServices::offer(int portal, bool screenSaver)
{
    if (!m_connection)
        m_connection = QDBusConnection::connectToBus(m_address, QStringLiteral("fake-desktop-services-%1").arg(quintptr(this)));
    if (!m_connection->isConnected())
        return false;
    bool ok = true;
    if (static_cast<FakeDesktopBus::Portal>(portal) != FakeDesktopBus::Portal::Absent) {
        // A portal without an Inhibit backend owns its name but has no such interface.
        if (static_cast<FakeDesktopBus::Portal>(portal) == FakeDesktopBus::Portal::Inhibits)
            ok = ok && m_connection->registerObject(PortalPath, new FakePortalInhibit(*this), QDBusConnection::ExportAllSlots);
        ok = ok && m_connection->registerService(PortalName);
    }
    if (screenSaver) {
        ok = ok && m_connection->registerObject(ScreenSaverPath, new FakeScreenSaver(*this), QDBusConnection::ExportAllSlots)
             && m_connection->registerService(ScreenSaverName);
    }
    return ok;
}

FakeDesktopBus::FakeDesktopBus()
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty()) {
        m_failure = QStringLiteral("dbus-daemon is not installed (scripts/install-deps.sh test)");
        return;
    }
    QFile config(m_folder.filePath(QStringLiteral("bus.conf")));
    if (!m_folder.isValid() || !config.open(QIODevice::WriteOnly)
        || config.write(QString::fromLatin1(BusConfig).arg(m_folder.path()).toUtf8()) < 0) {
        m_failure = QStringLiteral("cannot write the bus configuration");
        return;
    }
    config.close();
    m_daemon.setProgram(daemon);
    m_daemon.setArguments({QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                           QStringLiteral("--print-address=1")});
    m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
    m_daemon.start();
    // The daemon prints its address once it accepts connections.
    while (m_daemon.waitForReadyRead(10000) && !m_daemon.canReadLine()) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty()) {
        m_failure = QStringLiteral("dbus-daemon did not start: ") + QString::fromLocal8Bit(m_daemon.readAllStandardError());
        return;
    }
    m_services = new FakeDesktopServices(*this, m_address);
    m_services->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_services, &QObject::deleteLater);
    m_thread.start();
}

FakeDesktopBus::~FakeDesktopBus()
{
    if (m_services) {
        QMetaObject::invokeMethod(m_services, &FakeDesktopServices::shutDown, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    for (int i = 0; i < m_clientCount; ++i)
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-desktop-client-%1-%2").arg(quintptr(this)).arg(i));
    if (m_daemon.state() != QProcess::NotRunning) {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(5000)) {
            m_daemon.kill();
            m_daemon.waitForFinished();
        }
    }
}

bool FakeDesktopBus::offer(Portal portal, bool screenSaver)
{
    bool ok = false;
    if (m_services) {
        QMetaObject::invokeMethod(
            m_services, [&] { ok = m_services->offer(static_cast<int>(portal), screenSaver); }, Qt::BlockingQueuedConnection);
    }
    return ok;
}

QDBusConnection FakeDesktopBus::clientConnection()
{
    return QDBusConnection::connectToBus(
        m_address, QStringLiteral("fake-desktop-client-%1-%2").arg(quintptr(this)).arg(m_clientCount++));
}

void FakeDesktopBus::holdAnswers(int delayMs)
{
    QMetaObject::invokeMethod(m_services, [&] { m_services->holdAnswers(delayMs); }, Qt::BlockingQueuedConnection);
}

void FakeDesktopBus::answerHeldRequests()
{
    QMetaObject::invokeMethod(m_services, &FakeDesktopServices::answerHeld, Qt::BlockingQueuedConnection);
}

bool FakeDesktopBus::sync(const QDBusConnection &client)
{
    // The bus keeps one sender's calls to one receiver in order, and the services handle them
    // in order on their thread.
    const QDBusMessage call = QDBusMessage::createMethodCall(ScreenSaverName, ScreenSaverPath, ScreenSaverName,
                                                             QStringLiteral("GetActive"));
    return client.call(call, QDBus::Block, 10000).type() == QDBusMessage::ReplyMessage;
}

QList<FakeDesktopBus::Call> FakeDesktopBus::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

QStringList FakeDesktopBus::members() const
{
    QStringList members;
    for (const Call &call : calls())
        members << call.member;
    return members;
}

QStringList FakeDesktopBus::heldInhibitions() const
{
    QMutexLocker lock(&m_mutex);
    return m_held;
}

void FakeDesktopBus::record(const Call &call)
{
    QMutexLocker lock(&m_mutex);
    m_calls.append(call);
}

void FakeDesktopBus::setHeld(const QString &inhibition, bool held)
{
    QMutexLocker lock(&m_mutex);
    if (held)
        m_held.append(inhibition);
    else
        m_held.removeAll(inhibition);
}

#include "FakeDesktopBus.moc"
