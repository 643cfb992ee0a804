#include "Rgb.h"

#include <cstdlib>

bool Rgb::isNear(const Rgb &other, int tolerance) const
{
    return std::abs(r - other.r) <= tolerance && std::abs(g - other.g) <= tolerance
           && std::abs(b - other.b) <= tolerance;
}

