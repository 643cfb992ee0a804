#include "platform/DBusScreenSaverInhibitor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace {

const QString PortalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString PortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString PortalInhibitInterface = QStringLiteral("org.freedesktop.portal.Inhibit");
const QString PortalRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
// The portal's flag for "the session must not go idle" (screen blanking, screensaver, lock).
constexpr uint PortalInhibitIdle = 8;

const QString ScreenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString ScreenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString ScreenSaverInterface = QStringLiteral("org.freedesktop.ScreenSaver");

} // namespace

DBusScreenSaverInhibitor::DBusScreenSaverInhibitor(const QString &applicationName, const QString &reason)
    : m_applicationName(applicationName), m_reason(reason)
{
}

DBusScreenSaverInhibitor::DBusScreenSaverInhibitor(const QDBusConnection &bus, const QString &applicationName,
                                                   const QString &reason)
    : m_bus(bus), m_applicationName(applicationName), m_reason(reason)
{
}

DBusScreenSaverInhibitor::~DBusScreenSaverInhibitor()
{
    m_wanted = false;
    // An inhibition granted after the program is gone would outlive it (for as long as the bus
    // connection does): wait for the answer, at most the call's timeout. Waiting delivers it to
    // requestFinished(), which withdraws what was granted, since nothing is wanted any more.
    if (m_pending)
        m_pending->waitForFinished();
    release();
}

QDBusConnection &DBusScreenSaverInhibitor::bus()
{
    if (!m_bus)
        m_bus = QDBusConnection::sessionBus();
    return *m_bus;
}

void DBusScreenSaverInhibitor::setInhibited(bool inhibited)
{
    if (inhibited == m_wanted)
        return;
    m_wanted = inhibited;
    // While a request is on its way, its answer decides: it is kept or withdrawn as soon as
    // it arrives, whatever was asked for in between.
    if (m_pending)
        return;
    if (inhibited && !m_heldBy)
        request(m_portalRefused ? Service::ScreenSaver : Service::Portal);
    else if (!inhibited)
        release();
}

void DBusScreenSaverInhibitor::request(Service service)
{
    if (!bus().isConnected())
        return;
    QDBusMessage message;
    if (service == Service::Portal) {
        message = QDBusMessage::createMethodCall(PortalService, PortalPath, PortalInhibitInterface,
                                                 QStringLiteral("Inhibit"));
        const QVariantMap options{
            {QStringLiteral("reason"), m_reason},
            {QStringLiteral("handle_token"), QStringLiteral("pictarra%1").arg(++m_requestCount)},
        };
        // No parent window: the request is the program's, not one window's.
        message << QString() << PortalInhibitIdle << options;
    } else {
        message = QDBusMessage::createMethodCall(ScreenSaverService, ScreenSaverPath, ScreenSaverInterface,
                                                 QStringLiteral("Inhibit"));
        message << m_applicationName << m_reason;
    }
    m_pendingService = service;
    m_pending = new QDBusPendingCallWatcher(bus().asyncCall(message, CallTimeoutMs), this);
    connect(m_pending, &QDBusPendingCallWatcher::finished, this, &DBusScreenSaverInhibitor::requestFinished);
}

void DBusScreenSaverInhibitor::requestFinished()
{
    QDBusPendingCallWatcher *pending = m_pending;
    m_pending = nullptr;
    if (!pending)
        return;
    pending->deleteLater();
    const QDBusPendingCall answer = *pending;
    if (answer.isError() && m_pendingService == Service::Portal) {
        // No portal, or one without an Inhibit backend: the screensaver service is the
        // desktop's other way, and the portal is not asked again in this run.
        m_portalRefused = true;
        if (m_wanted)
            request(Service::ScreenSaver);
        return;
    }
    if (!answer.isError())
        takeAnswer(answer, m_pendingService);
    if (!m_wanted)
        release();
}

void DBusScreenSaverInhibitor::takeAnswer(const QDBusPendingCall &answer, Service service)
{
    if (service == Service::Portal) {
        const QDBusPendingReply<QDBusObjectPath> reply(answer);
        if (!reply.isValid() || reply.value().path().isEmpty())
            return;
        m_portalHandle = reply.value().path();
    } else {
        const QDBusPendingReply<uint> reply(answer);
        if (!reply.isValid())
            return;
        m_cookie = reply.value();
    }
    m_heldBy = service;
}

void DBusScreenSaverInhibitor::release()
{
    if (!m_heldBy)
        return;
    QDBusMessage message;
    if (*m_heldBy == Service::Portal) {
        // The handle is a Request object of the portal; closing it ends the inhibition.
        message = QDBusMessage::createMethodCall(PortalService, m_portalHandle, PortalRequestInterface,
                                                 QStringLiteral("Close"));
    } else {
        message = QDBusMessage::createMethodCall(ScreenSaverService, ScreenSaverPath, ScreenSaverInterface,
                                                 QStringLiteral("UnInhibit"));
        message << m_cookie;
    }
    m_heldBy.reset();
    // Nothing to wait for: the withdrawal goes out at once and its answer changes nothing.
    bus().send(message);
}
