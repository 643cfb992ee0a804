#pragma once

// A colour read from the screen, 8 bits a channel.
struct Rgb
{
    int r = 0;
    int g = 0;
    int b = 0;

    // Channel by channel within `tolerance`: pictures pass through JPEG and scaling.
    bool isNear(const Rgb &other, int tolerance) const;
};
