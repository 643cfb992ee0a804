#pragma once

#include <QImageIOHandler>

// The orientation an EXIF block asks for, as the transformation Qt's readers apply for it.
class ExifOrientation
{
public:
    // `data` is an APP1 segment's content ("Exif\0\0", then a TIFF header and its first IFD),
    // in either byte order. Anything missing, out of bounds or not an orientation gives
    // TransformationNone: the data may come from any file.
    static QImageIOHandler::Transformations fromApp1(const unsigned char *data, qsizetype size);
};
