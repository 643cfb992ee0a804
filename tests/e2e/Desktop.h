#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

// The X desktop the end-to-end tests run on, used the way a person uses it: keys and clicks
// go through the X server (xdotool), close requests through the window manager (wmctrl or
// its own Alt+F4), and what is on screen is read from the root window.
//
// Every tool runs as a program with an argument list, never through a shell. Waits are for
// conditions, each with the given timeout.
class Desktop
{
public:
    using WindowId = quint64;

    // Generous: the tests share two cores with the rest of the build in CI.
    static constexpr int TimeoutMs = 20000;

    // Visible (mapped) top-level windows of the process; with a title, only those whose
    // title is exactly that.
    static QList<WindowId> visibleWindows(qint64 pid, const QString &title = {});
    // The window's client area (without the window manager's frame) in screen coordinates;
    // empty when the window is gone.
    static QRect clientRect(WindowId window);
    // The window's outer rectangle, the window manager's frame included.
    static QRect frameRect(WindowId window);

    // Asks the window manager to activate the window and waits until it holds the focus.
    static bool activate(WindowId window);
    static WindowId activeWindow();
    // Presses and releases keys, one after the other, named as xdotool names them ("space",
    // "Right", "alt+F4"), on whatever window has the focus.
    static bool pressKeys(const QStringList &keys);
    // Moves the pointer there and clicks the left button.
    static bool click(QPoint screenPosition);
    // The window manager's close request, as from the title bar's close button.
    static bool requestClose(WindowId window);
    // Close requests for several windows at (nearly) the same moment: all are sent before
    // any is waited for.
    static bool requestCloseAll(const QList<WindowId> &windows);
    // Asks the window manager to move and resize the window, as a person dragging its frame.
    static bool moveResize(WindowId window, QRect geometry);

    // The whole screen as it is now.
    static QImage screenshot();

    // The text a tool printed when it last failed, for failure messages.
    static QString lastFailure();

private:
    // A failing search is an answer ("none"), not a failure worth reporting.
    enum class Failure { Report, IsAnAnswer };
    static bool run(const QString &program, const QStringList &arguments, QByteArray *output = nullptr,
                    Failure failure = Failure::Report);
};
