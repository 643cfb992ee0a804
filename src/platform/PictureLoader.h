#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <stop_token>

// A picture decoded from a file, with what is needed to tell whether the file changed since.
struct DecodedPicture
{
    QString path;
    bool ok = false;
    QImage image;        // oriented (EXIF applied); may be smaller than naturalSize
    QSize naturalSize;   // full size in pixels, after orientation
    qint64 fileSize = -1;
    qint64 modifiedNs = -1; // modification time, nanoseconds since the epoch

    bool isReduced() const { return ok && image.size() != naturalSize; }
};

// Reads pictures from files: every format the installed Qt image plugins read, EXIF
// orientation applied, only regular files opened, absurd declared sizes refused.
class PictureLoader
{
public:
    virtual ~PictureLoader() = default;

    // Decodes `path`. `decodeSizeFor` gets the natural (oriented) size and returns the size the
    // picture will be shown at; the loader decodes at a reduced size where the format allows
    // it and that size is smaller, else at full size. An invalid returned size means full size.
    // Once `stop` is requested the decode gives up as soon as the decoder allows and fails: a
    // picture nobody waits for any more costs no more time or memory than it must.
    virtual DecodedPicture load(const QString &path, const std::function<QSize(QSize)> &decodeSizeFor,
                                std::stop_token stop = {}) = 0;

    // Decodes only `sourceRect` (natural, oriented coordinates) scaled to `targetSize`; used
    // to draw a zoomed picture sharply without holding it at full size. Null image on failure.
    virtual QImage loadRegion(const QString &path, const QRect &sourceRect, const QSize &targetSize,
                              std::stop_token stop = {}) = 0;

    // True when the file on disk is still the one `picture` was decoded from (size and time).
    virtual bool isUnchanged(const DecodedPicture &picture) const = 0;
};
