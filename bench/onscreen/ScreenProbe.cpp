#include "ScreenProbe.h"

#include "ChildProcess.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <poll.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace {

// Windows come and go while they are looked at; an error about one that is gone is an
// answer ("not there"), never a reason to stop.
int ignoreError(Display *, XErrorEvent *)
{
    return 0;
}

// Xlib ends the process after this returns; the viewers must not outlive it.
int serverLost(Display *)
{
    std::fputs("bench_onscreen: the X server went away\n", stderr);
    ChildProcess::killAll();
    std::_Exit(2);
}

// A channel of `pixel` under `mask`, scaled to 8 bits.
int channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;
    int shift = 0;
    while (!((mask >> shift) & 1UL))
        ++shift;
    const unsigned long maximum = mask >> shift;
    return int(((pixel & mask) >> shift) * 255UL / maximum);
}

} // namespace

ScreenProbe::ScreenProbe()
{
    m_display = XOpenDisplay(nullptr);
    if (!m_display)
        throw std::runtime_error("cannot open the X display (is DISPLAY set?)");
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(m_display, &eventBase, &errorBase, &major, &minor)) {
        XCloseDisplay(m_display);
        throw std::runtime_error("the X server has no XTest extension");
    }
    XSetErrorHandler(ignoreError);
    XSetIOErrorHandler(serverLost);
    m_root = DefaultRootWindow(m_display);
    m_width = DisplayWidth(m_display, DefaultScreen(m_display));
    m_height = DisplayHeight(m_display, DefaultScreen(m_display));
    m_wmPidAtom = XInternAtom(m_display, "_NET_WM_PID", False);
    m_wmCheckAtom = XInternAtom(m_display, "_NET_SUPPORTING_WM_CHECK", False);
    XSelectInput(m_display, m_root, PropertyChangeMask | SubstructureNotifyMask);
}

ScreenProbe::~ScreenProbe()
{
    XCloseDisplay(m_display);
}

Rgb ScreenProbe::centreColour()
{
    XImage *image = XGetImage(m_display, m_root, m_width / 2, m_height / 2, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return {};
    const unsigned long pixel = XGetPixel(image, 0, 0);
    const Rgb colour{channel(pixel, image->red_mask), channel(pixel, image->green_mask),
                     channel(pixel, image->blue_mask)};
    XDestroyImage(image);
    return colour;
}

long ScreenProbe::cardinalProperty(unsigned long window, unsigned long property, bool *found)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char *data = nullptr;
    *found = false;
    long value = 0;
    if (XGetWindowProperty(m_display, window, property, 0, 1, False, AnyPropertyType, &type, &format, &count,
                           &remaining, &data)
            == Success
        && data) {
        if (format == 32 && count == 1) {
            value = *reinterpret_cast<long *>(data);
            *found = true;
        }
        XFree(data);
    }
    return value;
}

pid_t ScreenProbe::focusedProcess()
{
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    // The focus may sit on a child of the window that names its process; walk up to it.
    while (focus != None && focus != PointerRoot && focus != m_root) {
        bool found = false;
        const long pid = cardinalProperty(focus, m_wmPidAtom, &found);
        if (found)
            return pid_t(pid);
        Window root = 0, parent = 0;
        Window *children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(m_display, focus, &root, &parent, &children, &count))
            return 0;
        if (children)
            XFree(children);
        focus = parent;
    }
    return 0;
}

bool ScreenProbe::fullScreenWindowShown()
{
    Window root = 0, parent = 0;
    Window *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(m_display, m_root, &root, &parent, &children, &count))
        return false;
    bool shown = false;
    for (unsigned int i = 0; i < count && !shown; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(m_display, children[i], &attributes) && attributes.map_state == IsViewable
            && attributes.x <= 0 && attributes.y <= 0 && attributes.x + attributes.width >= m_width
            && attributes.y + attributes.height >= m_height)
            shown = true;
    }
    if (children)
        XFree(children);
    return shown;
}

bool ScreenProbe::windowManagerRunning()
{
    // The manager names a window of its own on the root window, which names itself back.
    bool found = false;
    const long window = cardinalProperty(m_root, m_wmCheckAtom, &found);
    if (!found || window == 0)
        return false;
    const long echoed = cardinalProperty(Window(window), m_wmCheckAtom, &found);
    return found && echoed == window;
}

bool ScreenProbe::waitForWindowManager(std::chrono::steady_clock::time_point deadline)
{
    while (!windowManagerRunning()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        waitForRootChange(std::chrono::milliseconds(100));
    }
    return true;
}

void ScreenProbe::waitForRootChange(std::chrono::milliseconds limit)
{
    bool changed = false;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        changed = true;
    }
    if (changed)
        return;
    pollfd connection{ConnectionNumber(m_display), POLLIN, 0};
    poll(&connection, 1, int(limit.count()));
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
    }
}

void ScreenProbe::pressKey(const char *keysymName)
{
    const KeyCode code = XKeysymToKeycode(m_display, XStringToKeysym(keysymName));
    if (code == 0)
        throw std::runtime_error(std::string("no key for ") + keysymName);
    XTestFakeKeyEvent(m_display, code, True, CurrentTime);
    XTestFakeKeyEvent(m_display, code, False, CurrentTime);
    XSync(m_display, False);
}
