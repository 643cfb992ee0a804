#pragma once

#include "BenchPictures.h"
#include "ChildProcess.h"
#include "Samples.h"
#include "ScreenProbe.h"
#include "Viewer.h"

#include <chrono>
#include <string>

class PictureCounter;

// How long a program starts to show its first picture.
struct FirstPictureRun
{
    Timing onScreen; // start to the picture on screen
    Timing cpu;      // processor time the program used until then
};

// What a held "next" key does, seen on the screen.
struct HeldKeyRun
{
    Timing firstPicture;  // start to the first of the list on screen
    Timing lastPicture;   // last press to the picture asked for last on screen
    Timing leave;         // the leave key to the show gone from the screen
    Timing picturesAfter; // pictures that came up after the last press
    Timing finalPicture;  // the number of the picture up when the show left (or settled)
};

// Single runs of a viewer on the private X server, each timed from what the screen shows: the
// colour at its centre, read from the X server, tells which picture (if any) is up.
class OnScreenRuns
{
public:
    struct Settings
    {
        std::chrono::milliseconds timeout{30000};
        std::chrono::microseconds pollInterval{500};
        std::string logFolder;
    };

    OnScreenRuns(ScreenProbe &screen, const Settings &settings);

    // From starting the program to `colour` at the centre of the screen.
    FirstPictureRun firstPicture(const Viewer &viewer, const std::vector<std::string> &command, const Rgb &colour);

    // Starts the viewer on the held-key pictures, waits for the first, then presses "next"
    // once for each further picture at the keyboard's repeat rate. With `leaveAtOnce` the
    // leave key follows at the same rate; otherwise it is pressed once the last picture is up,
    // or once the viewer has gone idle on another (it dropped presses).
    HeldKeyRun heldKey(const Viewer &viewer, const BenchPictures &pictures, bool leaveAtOnce);

    // Key repeat of 30 a second.
    static constexpr std::chrono::microseconds PressInterval{33333};
    static constexpr int Presses = BenchPictures::HeldPictures - 1;
    // A viewer that used no processor time for this long has finished with the presses.
    static constexpr std::chrono::milliseconds IdlePeriod{1000};

private:
    using Clock = ChildProcess::Clock;

    ChildProcess::Options optionsFor(const Viewer &viewer) const;
    // No show left on the screen from the run before.
    void waitUntilClear();
    // Polls the centre until `wanted` is there; the time of the read that showed it.
    Timing waitForColour(const Rgb &wanted, Clock::time_point from, ChildProcess &child);
    bool waitForKeyboard(ChildProcess &child);
    Timing waitForLastPicture(const Rgb &wanted, Clock::time_point lastPress, ChildProcess &child,
                              PictureCounter &pictures);
    Timing waitForLeaving(Clock::time_point pressed, ChildProcess &child, PictureCounter &pictures);
    void pause() const;

    ScreenProbe &m_screen;
    Settings m_settings;
};
