#pragma once

// Keeps the desktop from blanking the screen or starting its screensaver while a show runs.
// Asking for the state already asked for does nothing, so callers may repeat themselves. The
// request is withdrawn when the object is destroyed. Where the desktop offers no such service,
// nothing fails and nothing is shown: the screen simply may blank.
class ScreenSaverInhibitor
{
public:
    virtual ~ScreenSaverInhibitor() = default;
    virtual void setInhibited(bool inhibited) = 0;
    // The state last asked for, whether or not the desktop honours it.
    virtual bool isInhibited() const = 0;
};
