#include "OnScreenRuns.h"

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <thread>

namespace {

double millisecondsBetween(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

// Counts the pictures that come up, one for every change to another picture colour, and
// remembers the last.
class PictureCounter
{
public:
    explicit PictureCounter(const Rgb &onScreen)
        : m_last(onScreen)
    {
    }

    void see(const Rgb &colour)
    {
        if (!BenchPictures::isPictureColour(colour) || colour.isNear(m_last, BenchPictures::Tolerance))
            return;
        m_last = colour;
        ++m_count;
    }

    int count() const { return m_count; }
    int lastNumber() const { return BenchPictures::heldNumberOf(m_last); }

private:
    Rgb m_last;
    int m_count = 0;
};

OnScreenRuns::OnScreenRuns(ScreenProbe &screen, const Settings &settings)
    : m_screen(screen)
    , m_settings(settings)
{
}

ChildProcess::Options OnScreenRuns::optionsFor(const Viewer &viewer) const
{
    ChildProcess::Options options;
    options.environment = {{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", ""}};
    // Without a session bus libdbus launches one for each run, on the way to the first picture,
    // and the bus outlives the run; an address that cannot connect keeps it from doing so.
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        options.environment.emplace_back("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bench-onscreen-bus");
    if (!m_settings.logFolder.empty())
        options.outputPath = m_settings.logFolder + "/" + viewer.label + ".log";
    return options;
}

void OnScreenRuns::pause() const
{
    std::this_thread::sleep_for(m_settings.pollInterval);
}

void OnScreenRuns::waitUntilClear()
{
    const Clock::time_point deadline = Clock::now() + m_settings.timeout;
    while (m_screen.fullScreenWindowShown() || BenchPictures::isPictureColour(m_screen.centreColour())) {
        if (Clock::now() >= deadline)
            throw std::runtime_error("the screen still shows a picture from the run before");
        m_screen.waitForRootChange(std::chrono::milliseconds(20));
    }
}

Timing OnScreenRuns::waitForColour(const Rgb &wanted, Clock::time_point from, ChildProcess &child)
{
    const Clock::time_point deadline = from + m_settings.timeout;
    for (;;) {
        const Rgb colour = m_screen.centreColour();
        const Clock::time_point now = Clock::now();
        if (colour.isNear(wanted, BenchPictures::Tolerance))
            return Timing::of(millisecondsBetween(from, now));
        if (child.hasExited())
            return Timing::missed("exited");
        if (now >= deadline)
            return Timing::missed("timeout");
        pause();
    }
}

FirstPictureRun OnScreenRuns::firstPicture(const Viewer &viewer, const std::vector<std::string> &command,
                                           const Rgb &colour)
{
    waitUntilClear();
    ChildProcess child(command, optionsFor(viewer));
    FirstPictureRun run;
    run.onScreen = waitForColour(colour, child.startTime(), child);
    run.cpu = run.onScreen.ok() ? Timing::of(std::chrono::duration<double, std::milli>(child.cpuTime()).count())
                                : run.onScreen;
    return run;
}

bool OnScreenRuns::waitForKeyboard(ChildProcess &child)
{
    const Clock::time_point deadline = Clock::now() + m_settings.timeout;
    while (m_screen.focusedProcess() != child.pid()) {
        if (Clock::now() >= deadline || child.hasExited())
            return false;
        // The window manager announces every focus change on the root window.
        m_screen.waitForRootChange(std::chrono::milliseconds(5));
    }
    return true;
}

// Waits for the picture asked for last. A viewer that drops presses never shows it: once it
// has used no processor time for a while on another picture, it has settled there.
Timing OnScreenRuns::waitForLastPicture(const Rgb &wanted, Clock::time_point lastPress, ChildProcess &child,
                                        PictureCounter &pictures)
{
    const Clock::time_point deadline = lastPress + m_settings.timeout;
    std::chrono::nanoseconds cpu = child.cpuTime();
    Clock::time_point lastBusy = Clock::now();
    Clock::time_point cpuRead = lastBusy;
    for (;;) {
        const Rgb colour = m_screen.centreColour();
        const Clock::time_point now = Clock::now();
        pictures.see(colour);
        if (colour.isNear(wanted, BenchPictures::Tolerance))
            return Timing::of(millisecondsBetween(lastPress, now));
        if (child.hasExited())
            return Timing::missed("exited");
        if (now >= deadline)
            return Timing::missed("timeout");
        if (now - cpuRead >= std::chrono::milliseconds(50)) {
            cpuRead = now;
            const std::chrono::nanoseconds used = child.cpuTime();
            if (used != cpu) {
                cpu = used;
                lastBusy = now;
            } else if (now - lastBusy >= IdlePeriod) {
                return Timing::missed("never");
            }
        }
        pause();
    }
}

// The show has left once the centre holds no picture and no window covers the screen any
// more (or the program has ended); the time is that of the first read without a picture
// after the last one with a picture, so a blank between two pictures is no false end.
Timing OnScreenRuns::waitForLeaving(Clock::time_point pressed, ChildProcess &child, PictureCounter &pictures)
{
    const Clock::time_point deadline = pressed + m_settings.timeout;
    std::optional<Clock::time_point> gone;
    for (;;) {
        const Rgb colour = m_screen.centreColour();
        const Clock::time_point now = Clock::now();
        pictures.see(colour);
        if (BenchPictures::isPictureColour(colour))
            gone.reset();
        else if (!gone)
            gone = now;
        if (gone && (child.hasExited() || !m_screen.fullScreenWindowShown()))
            return Timing::of(millisecondsBetween(pressed, *gone));
        if (now >= deadline)
            return Timing::missed("timeout");
        pause();
    }
}

HeldKeyRun OnScreenRuns::heldKey(const Viewer &viewer, const BenchPictures &pictures, bool leaveAtOnce)
{
    HeldKeyRun run;
    run.lastPicture = run.leave = run.picturesAfter = run.finalPicture = Timing::missed("-");
    waitUntilClear();
    ChildProcess child(viewer.listCommand(pictures.heldFiles()), optionsFor(viewer));
    run.firstPicture = waitForColour(pictures.heldColour(0), child.startTime(), child);
    if (!run.firstPicture.ok())
        return run;
    if (!waitForKeyboard(child)) {
        run.lastPicture = run.leave = Timing::missed("no keyboard focus");
        return run;
    }

    // Presses on a fixed schedule, as a held key repeats, however long each takes to send.
    const Clock::time_point firstPress = Clock::now();
    for (int press = 0; press < Presses; ++press) {
        std::this_thread::sleep_until(firstPress + press * PressInterval);
        m_screen.pressKey(viewer.nextKey);
    }
    const Clock::time_point lastPress = Clock::now();
    PictureCounter counter(m_screen.centreColour());
    if (leaveAtOnce) {
        const Clock::time_point leaveAt = firstPress + Presses * PressInterval;
        while (Clock::now() < leaveAt) {
            counter.see(m_screen.centreColour());
            pause();
        }
    } else {
        run.lastPicture = waitForLastPicture(pictures.heldColour(Presses), lastPress, child, counter);
        if (!run.lastPicture.ok() && run.lastPicture.miss != "never")
            return run;
    }
    m_screen.pressKey(viewer.leaveKey);
    run.leave = waitForLeaving(Clock::now(), child, counter);
    run.picturesAfter = Timing::of(counter.count());
    run.finalPicture = Timing::of(counter.lastNumber());
    return run;
}
