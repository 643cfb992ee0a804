#pragma once

#include "platform/PictureLoader.h"

#include <QHash>
#include <QMutex>
#include <QStringList>

// A picture loader that makes pictures up: each known path gives a picture of the size it was
// given (decoded smaller when asked, as a real loader does), every other path fails. Safe to
// call from the prefetcher's worker thread.
class FakePictureLoader final : public PictureLoader
{
public:
    void addPicture(const QString &path, const QSize &naturalSize);
    void addFailure(const QString &path);

    DecodedPicture load(const QString &path, const std::function<QSize(QSize)> &decodeSizeFor,
                        std::stop_token stop = {}) override;
    QImage loadRegion(const QString &path, const QRect &sourceRect, const QSize &targetSize,
                      std::stop_token stop = {}) override;
    bool isUnchanged(const DecodedPicture &picture) const override;

    // Every path loaded so far, in order, with the size each decode was asked for.
    QStringList loadedPaths() const;
    QSize lastDecodeSize(const QString &path) const;

private:
    mutable QMutex m_mutex;
    QHash<QString, QSize> m_sizes; // an empty size: the file cannot be loaded
    QStringList m_loaded;
    QHash<QString, QSize> m_decodeSizes;
};
