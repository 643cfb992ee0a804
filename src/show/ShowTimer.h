#pragma once

#include <QObject>
#include <QTimer>

// The show's advance timer. It keeps its own enabled state because an interval of 0 means
// "enabled, but never fires" here (a delay of 0 seconds: the show moves only on command),
// whereas a QTimer with interval 0 fires on every pass of the event loop.
class ShowTimer : public QObject
{
    Q_OBJECT
public:
    explicit ShowTimer(QObject *parent = nullptr);

    // Milliseconds between ticks; negative values count as 0. A change restarts the count of
    // an enabled timer.
    void setInterval(int milliseconds);
    int interval() const { return m_interval; }

    // Enabling a disabled timer starts the count afresh; enabling an enabled one changes
    // nothing.
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    // Starts the count of an enabled timer afresh.
    void restart();

    // True while a tick is actually scheduled (enabled with an interval above 0).
    bool isTicking() const { return m_timer.isActive(); }

Q_SIGNALS:
    void timeout();

private:
    void apply();

    QTimer m_timer;
    int m_interval = 0;
    bool m_enabled = false;
};
