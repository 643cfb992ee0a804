#pragma once

#include "platform/PictureLoader.h"

#include <QImageIOHandler>

// The desktop's picture loader, on Qt's image readers. Safe to use from several threads at
// once: it keeps no state between calls.
class QtPictureLoader final : public PictureLoader
{
public:
    QtPictureLoader();

    DecodedPicture load(const QString &path, const std::function<QSize(QSize)> &decodeSizeFor,
                        std::stop_token stop = {}) override;
    QImage loadRegion(const QString &path, const QRect &sourceRect, const QSize &targetSize,
                      std::stop_token stop = {}) override;
    bool isUnchanged(const DecodedPicture &picture) const override;

    // The rectangle of the stored (un-oriented) picture of `fileSize` pixels that becomes
    // `orientedRect` once `transformation` is applied, as Qt applies an EXIF orientation.
    static QRect orientedToFileRect(const QRect &orientedRect, const QSize &fileSize,
                                    QImageIOHandler::Transformations transformation);
};
