#pragma once

#include <QImage>

// Pictures of many megabytes are allocated so that the kernel may back them with huge pages:
// touching each 4 KB page for the first time costs a page fault, and for a picture of tens of
// megabytes those faults can take longer than decoding it (on some virtual machines several
// times longer).
class LargeImage
{
public:
    // An uninitialised image of `size` in `format`; a plain QImage when it is small. Null when
    // the memory cannot be had.
    static QImage allocate(QSize size, QImage::Format format);
};
