#pragma once

#include "Rgb.h"

#include <sys/types.h>

#include <chrono>

struct _XDisplay;

// The X server as a person in front of it sees it: the colour at the centre of the screen,
// which program has the keyboard, whether a window covers the whole screen; and the keys that
// person presses, through XTest. Reads $DISPLAY.
class ScreenProbe
{
public:
    ScreenProbe();
    ~ScreenProbe();
    ScreenProbe(const ScreenProbe &) = delete;
    ScreenProbe &operator=(const ScreenProbe &) = delete;

    int width() const { return m_width; }
    int height() const { return m_height; }

    // One 1 x 1 read of the root window, so whatever window is on top there.
    Rgb centreColour();
    // The process (_NET_WM_PID) of the window that has the keyboard focus; 0 for none.
    pid_t focusedProcess();
    // A mapped top-level window (for a managed one, its frame) covers the whole screen.
    bool fullScreenWindowShown();
    // Waits until the window manager has announced itself on the root window.
    bool waitForWindowManager(std::chrono::steady_clock::time_point deadline);
    // Waits until something changes on the root window (a property, a window mapped or
    // gone), or at most `limit`: the cue to look again.
    void waitForRootChange(std::chrono::milliseconds limit);

    // Presses and releases the key (an X keysym name: "Right", "Escape", "n"); returns once
    // the server has it.
    void pressKey(const char *keysymName);

private:
    bool windowManagerRunning();
    long cardinalProperty(unsigned long window, unsigned long property, bool *found);

    _XDisplay *m_display = nullptr;
    unsigned long m_root = 0;
    int m_width = 0;
    int m_height = 0;
    unsigned long m_wmPidAtom = 0;
    unsigned long m_wmCheckAtom = 0;
};
