#pragma once

#include "platform/ScreenSaverInhibitor.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>

class QDBusPendingCall;
class QDBusPendingCallWatcher;

// Screen-saver inhibition over the session bus: the desktop portal's Inhibit interface (idle)
// where a portal answers, else the org.freedesktop.ScreenSaver service. Requests never make
// the window's thread wait for the desktop: they are asynchronous, with a bounded timeout,
// and withdrawals expect no answer. Without a session bus, or with neither service, nothing
// fails and nothing is reported. Both services also drop what a client held when it leaves
// the bus, so even a crash leaves no inhibition behind.
class DBusScreenSaverInhibitor final : public QObject, public ScreenSaverInhibitor
{
    Q_OBJECT
public:
    // A request the desktop has not answered by then counts as refused.
    static constexpr int CallTimeoutMs = 3000;

    // On the session bus, connected when first needed.
    DBusScreenSaverInhibitor(const QString &applicationName, const QString &reason);
    // On the given bus (tests use a private one).
    DBusScreenSaverInhibitor(const QDBusConnection &bus, const QString &applicationName, const QString &reason);
    ~DBusScreenSaverInhibitor() override;

    void setInhibited(bool inhibited) override;
    bool isInhibited() const override { return m_wanted; }
    // A request is on its way and the desktop has not answered yet.
    bool awaitsAnswer() const { return m_pending != nullptr; }

private:
    enum class Service { Portal, ScreenSaver };

    QDBusConnection &bus();
    void request(Service service);
    void requestFinished();
    // Takes the answer to the pending request; asks the next service when this one refused.
    void takeAnswer(const QDBusPendingCall &answer, Service service);
    void release();

    std::optional<QDBusConnection> m_bus;
    QString m_applicationName;
    QString m_reason;
    bool m_wanted = false;
    bool m_portalRefused = false;
    quint64 m_requestCount = 0;

    QDBusPendingCallWatcher *m_pending = nullptr;
    Service m_pendingService = Service::Portal;

    // What the desktop holds for us: the portal's request handle or the screensaver's cookie.
    std::optional<Service> m_heldBy;
    QString m_portalHandle;
    uint m_cookie = 0;
};
