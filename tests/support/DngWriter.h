#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

// Writes small uncompressed DNG files, as a camera or a converter would lay them out, for the
// raw reader's tests and benchmarks.
struct DngPicture
{
    QImage picture;          // what the sensor saw, as stored (before the orientation)
    bool mosaic = true;      // behind a red-green-green-blue colour filter, else three colours a pixel
    int orientation = 1;     // the TIFF orientation tag
    QByteArray previewJpeg;  // an embedded preview, none when empty
    QSize declaredSize;      // a size for the tags other than the picture's (a hostile header)
};

QByteArray writeDng(const DngPicture &dng);
