#pragma once

#include <QSize>
#include <QtGlobal>

// What decoding one picture may cost, whatever its file declares, for the loader and the
// image-format readers alike. Decoders check a file against it before they allocate anything
// big, and refuse what would break it.
namespace DecodeBudget {

// Pictures declaring more pixels than this are refused before anything is decoded.
inline constexpr qint64 MaxPixels = 120'000'000;

// Decoded pixels plus the decoder's working memory for one picture, MB: a 100-megapixel photo
// takes 400 MB at 32 bits a pixel.
inline constexpr int AllocationLimitMB = 512;
inline constexpr qint64 MaxDecodeBytes = qint64(AllocationLimitMB) * 1024 * 1024;

// Scans a JPEG may hold. Encoders write about ten (libjpeg's progressive script) and tuned
// scripts stay well under a hundred; every scan is one more pass over the whole picture, so a
// file of thousands of tiny scans costs seconds to decode. libjpeg-turbo's own tools call 500
// a warning sign; half of that still leaves any real encoder room.
inline constexpr int MaxJpegScans = 256;

inline bool exceeds(const QSize &size)
{
    return qint64(size.width()) * qint64(size.height()) > MaxPixels;
}

} // namespace DecodeBudget
