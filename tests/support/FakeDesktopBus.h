#pragma once

#include <QDBusConnection>
#include <QList>
#include <QMutex>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <QVariantList>

#include <memory>

class FakeDesktopServices;

// A private session bus of the test's own (a dbus-daemon that activates no services) with fake
// desktop services that record every call made to them: the desktop portal's Inhibit
// interface and the org.freedesktop.ScreenSaver service. The services answer on a thread of
// their own, so code that waits for an answer (a destructor, say) gets one.
class FakeDesktopBus
{
public:
    struct Call
    {
        QString interface;  // "org.freedesktop.ScreenSaver", "org.freedesktop.portal.Request" ...
        QString member;     // "Inhibit", "UnInhibit", "Close"
        QString path;       // the object called
        QVariantList arguments;
        QVariant answer;    // what the service answered (a cookie, a request handle)
    };

    enum class Portal { Absent, Inhibits, LacksInhibit };

    FakeDesktopBus();
    ~FakeDesktopBus();
    FakeDesktopBus(const FakeDesktopBus &) = delete;
    FakeDesktopBus &operator=(const FakeDesktopBus &) = delete;

    // Empty when the bus runs; otherwise why not (dbus-daemon missing, did not start).
    QString failure() const { return m_failure; }

    // Puts the services on the bus under their well-known names.
    bool offer(Portal portal, bool screenSaver);
    // A connection to the bus for the code under test, as a program of its own.
    QDBusConnection clientConnection();

    // Inhibit answers wait until answerHeldRequests(), or until `delayMs` have passed when
    // given, as a busy desktop would.
    void holdAnswers(int delayMs = -1);
    void answerHeldRequests();

    // Returns once the services have handled every call `client` sent before: a call is
    // recorded, or known never to come.
    bool sync(const QDBusConnection &client);

    QList<Call> calls() const;
    QStringList members() const;  // the calls' members, in order
    // Inhibitions granted and not yet withdrawn: cookies and request handles, as text.
    QStringList heldInhibitions() const;

    // Records a call; used by the services, on their thread.
    void record(const Call &call);
    void setHeld(const QString &inhibition, bool held);

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
    QString m_failure;
    QThread m_thread;
    FakeDesktopServices *m_services = nullptr;
    int m_clientCount = 0;

    mutable QMutex m_mutex;
    QList<Call> m_calls;
    QStringList m_held;
};
