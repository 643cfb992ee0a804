#pragma once

#include "show/PictureLayout.h"

#include <QSize>

// How large a picture is to be decoded. A slide is decoded at the size it is laid out at on
// its window, in device pixels (never more than the picture has); the main window's preview at
// its box; "Actual Size" at full size. Targets compare by value, so that a decode made for one
// request can serve a later one that comes to the same size.
struct DecodeTarget
{
    enum class Kind { FullSize, Slide, Box };

    static DecodeTarget fullSize() { return {}; }
    static DecodeTarget slide(PictureSizing sizing, const SlideFrame &frame, double devicePixelRatio);
    static DecodeTarget box(const QSize &size);

    // The size to decode a picture of `natural` (oriented) pixels at, for the loader; an invalid
    // size means full size.
    QSize sizeFor(const QSize &natural) const;
    // What a decode for this target really comes to: never larger than the picture, the full
    // picture for an invalid size. Two targets that come to the same size share a decode.
    QSize effectiveSizeFor(const QSize &natural) const;

    bool operator==(const DecodeTarget &) const = default;

    Kind kind = Kind::FullSize;
    PictureSizing sizing = PictureSizing::ActualSize;
    SlideFrame frame;
    double devicePixelRatio = 1.0;
    QSize boxSize;
};
