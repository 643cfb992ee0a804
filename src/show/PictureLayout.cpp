#include "show/PictureLayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Room the bordered window leaves for its frame and title bar; the full-screen window has none.
constexpr qint64 BorderWidthTwips = 120;
constexpr qint64 BorderHeightTwips = 480;

// A laid-out value as applied: rounded, and kept in 32 bits (large screens pass 16 bits).
double applied(double value)
{
    const qint64 rounded = roundHalfEven(value);
    return double(std::clamp<qint64>(rounded, std::numeric_limits<qint32>::min(),
                                      std::numeric_limits<qint32>::max()));
}

} // namespace

qint64 roundHalfEven(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double limit = 9.2e18; // just inside qint64
    if (value >= limit)
        return std::numeric_limits<qint64>::max();
    if (value <= -limit)
        return std::numeric_limits<qint64>::min();
    const double floor = std::floor(value);
    const double fraction = value - floor;
    auto whole = qint64(floor);
    if (fraction > 0.5 || (fraction == 0.5 && whole % 2 != 0))
        ++whole;
    return whole;
}

PictureGeometry fnLayoutPicture(PictureSizing sizing, const SlideFrame &frame, qint32 pictureWidth,
                                qint32 pictureHeight)
{
    const qint64 W = frame.outerWidth;
    const qint64 H = frame.outerHeight;
    const qint64 b = frame.barHeight;
    const qint64 borderW = frame.bordered ? BorderWidthTwips : 0;
    const qint64 borderH = frame.bordered ? BorderHeightTwips : 0;
    const qint64 w = pictureWidth;
    const qint64 h = pictureHeight;

    PictureGeometry geometry;
    switch (sizing) {
    case PictureSizing::ActualSize:
        // Centred at natural size, in single precision and not rounded.
        geometry.width = double(w);
        geometry.height = double(h);
        geometry.left = double(float(W - w - borderW) / 2.0f);
        geometry.top = double(float(H - h - b - borderH) / 2.0f);
        break;
    case PictureSizing::StretchToFit:
        geometry.left = 0;
        geometry.top = 0;
        geometry.width = double(W - borderW);
        geometry.height = double(H - b - borderH);
        break;
    case PictureSizing::ExpandWithoutDistorting:
        // A picture without pixels has no scale factor; leave it empty rather than divide by 0.
        if (w <= 0 || h <= 0)
            break;
        // The picture's own shape chooses the side to fit, not a comparison with the window.
        if (h >= w) {
            const float r = float(H - b - borderH) / float(h);
            geometry.height = applied(float(h) * r);
            geometry.top = applied(0);
            geometry.width = applied(float(w) * r);
            geometry.left = applied(double(W - borderW - qint64(geometry.width)) / 2.0);
        } else {
            const float r = float(W - borderW) / float(w);
            geometry.width = applied(float(w) * r);
            geometry.left = applied(0);
            geometry.height = applied(float(h) * r);
            geometry.top = applied(double(H - qint64(geometry.height) - borderH - b) / 2.0);
        }
        break;
    }
    return geometry;
}

bool zoomLarger(PictureGeometry &geometry)
{
    if (geometry.height > MaxZoomTwips || geometry.width > MaxZoomTwips)
        return false;
    const double dh = double(roundHalfEven(geometry.height * 0.1));
    geometry.height = geometry.height * 1.2;
    geometry.top -= dh;
    const double dw = double(roundHalfEven(geometry.width * 0.1));
    geometry.width = geometry.width * 1.2;
    geometry.left -= dw;
    return true;
}

void zoomSmaller(PictureGeometry &geometry)
{
    const double dh = double(roundHalfEven(geometry.height * 0.1));
    geometry.height = geometry.height * 0.8;
    geometry.top += dh;
    const double dw = double(roundHalfEven(geometry.width * 0.1));
    geometry.width = geometry.width * 0.8;
    geometry.left += dw;
}
