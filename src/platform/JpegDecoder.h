#pragma once

#include <QImage>
#include <QImageIOHandler>
#include <QRect>
#include <QSize>

#include <memory>
#include <stop_token>

class QIODevice;
struct JpegDecodeState;

// Decodes one JPEG picture with libjpeg-turbo: reduced while decoding, by the smallest whole
// eighth that still covers the size asked for, then by averaging to exactly that size. Checks the
// file against the decoding budget before anything big is allocated, and gives up as soon as
// it can once stopped. Read the header first, then the whole picture or a part of it, once.
class JpegDecoder
{
public:
    // Whether `device` holds a JPEG, by its first bytes; its position is kept.
    static bool canRead(QIODevice *device);

    // Reads `device` (the caller's, open for reading) from its start.
    explicit JpegDecoder(QIODevice *device, std::stop_token stop = {});
    ~JpegDecoder();
    JpegDecoder(const JpegDecoder &) = delete;
    JpegDecoder &operator=(const JpegDecoder &) = delete;

    // False for a damaged file, one with more scans than the budget allows, one keeping more
    // than the budget in metadata, or once stopped.
    bool readHeader();

    // Once the header is read: the stored size, and the EXIF orientation that turns it upright.
    QSize size() const;
    QImageIOHandler::Transformations transformation() const;

    // The whole stored picture, at `scaledSize` (no larger than size()) when that is valid and
    // not empty, else at full size; carries the file's colour profile, unconverted. Null on
    // failure, once stopped, or when decoding it would break the budget.
    QImage read(const QSize &scaledSize = {});

    // `part` of the stored picture (within size()) scaled to `target`, decoded in one pass
    // that holds no more than a band of rows at a time. Null as read() is.
    QImage readPart(const QRect &part, const QSize &target);

private:
    std::unique_ptr<JpegDecodeState> d;
};
