#pragma once

#include "Rgb.h"

#include <string>
#include <vector>

// The pictures the benchmark shows, made on the spot: camera-sized JPEGs that cost what a
// photo costs to decode (gradients, shapes and sensor-like noise), each with a solid patch of
// its own colour at the centre, large enough to survive being scaled to any screen, so that
// the centre of the screen tells which picture is up.
class BenchPictures
{
public:
    static constexpr int PhotoWidth = 6000;
    static constexpr int PhotoHeight = 4000;
    static constexpr int SmallWidth = 640;
    static constexpr int SmallHeight = 480;
    // Held-key runs: one more picture than presses, so that the picture asked for last is
    // never the first one again.
    static constexpr int HeldPictures = 31;
    // A patch colour is recognised within this much a channel.
    static constexpr int Tolerance = 28;

    // Makes what is missing in `folder` (files already there from an earlier run are kept).
    explicit BenchPictures(const std::string &folder);

    // A folder holding only the photo, and the photo itself.
    std::string photoFolder() const { return m_folder + "/photo"; }
    std::string photoFile() const { return photoFolder() + "/photo.jpg"; }
    Rgb photoColour() const { return colours()[0]; }
    std::string smallFolder() const { return m_folder + "/small"; }
    std::string smallFile() const { return smallFolder() + "/small.jpg"; }
    Rgb smallColour() const { return colours()[1]; }
    // The held-key pictures in showing order, and their colours.
    std::vector<std::string> heldFiles() const;
    Rgb heldColour(int index) const { return colours()[std::size_t(index)]; }
    // Which held-key picture (1 for the first) has this colour; 0 for none.
    static int heldNumberOf(const Rgb &colour);

    // One of the patch colours (else black, white, greys, or a window of the program).
    static bool isPictureColour(const Rgb &colour);
    static const std::vector<Rgb> &colours();

private:
    std::string m_folder;
};
