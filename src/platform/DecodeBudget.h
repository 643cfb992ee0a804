#pragma once

#include <QSize>
#include <QtGlobal>

// What one picture may cost to decode, for the loader and the image-format readers alike.
namespace DecodeBudget {

// Pictures declaring more pixels than this are refused before anything is decoded.
inline constexpr qint64 MaxPixels = 120'000'000;

// Qt's decode allocation limit, MB: a 100-megapixel photo takes 400 MB at 32 bits a pixel.
inline constexpr int AllocationLimitMB = 512;

inline bool exceeds(const QSize &size)
{
    return qint64(size.width()) * qint64(size.height()) > MaxPixels;
}

} // namespace DecodeBudget
