#include "show/ShowTimer.h"

ShowTimer::ShowTimer(QObject *parent)
    : QObject(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &ShowTimer::timeout);
}

void ShowTimer::setInterval(int milliseconds)
{
    const int interval = qMax(0, milliseconds);
    if (interval == m_interval)
        return;
    m_interval = interval;
    m_timer.setInterval(interval);
    apply();
}

void ShowTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    apply();
}

void ShowTimer::apply()
{
    if (m_enabled && m_interval > 0)
        m_timer.start();
    else
        m_timer.stop();
}

void ShowTimer::restart()
{
    apply();
}
