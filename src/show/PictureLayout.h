#pragma once

#include <QtGlobal>

// Where the picture goes in a slide window, for each sizing option. All values are twips
// (15 per logical pixel) relative to the window's client area; they may be negative or larger
// than the window (the picture is then cut off).
enum class PictureSizing { ExpandWithoutDistorting = 0, StretchToFit = 1, ActualSize = 2 };

struct PictureGeometry
{
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

struct SlideFrame
{
    qint32 outerWidth = 0;   // W: the window's outer width, twips
    qint32 outerHeight = 0;  // H: the window's outer height, twips
    qint32 barHeight = 0;    // b: the position bar's height when it is visible, else 0
    bool bordered = true;    // the bordered window allows 120 and 480 twips for its frame

    bool operator==(const SlideFrame &) const = default;
};

// The layout formulas, computed in 32 bits (a large screen never overflows them).
PictureGeometry fnLayoutPicture(PictureSizing sizing, const SlideFrame &frame,
                                qint32 pictureWidth, qint32 pictureHeight);

// The zoom steps: a fifth larger or smaller around the centre. Larger refuses (returns false,
// nothing changed) once the picture is more than MaxZoomTwips high or wide.
constexpr double MaxZoomTwips = 196600;
bool zoomLarger(PictureGeometry &geometry);
void zoomSmaller(PictureGeometry &geometry);

// Rounds to the nearest integer, halves to the even neighbour.
qint64 roundHalfEven(double value);
