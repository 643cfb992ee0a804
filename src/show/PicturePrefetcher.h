#pragma once

#include "platform/PictureLoader.h"

#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QThreadPool;

// Decodes the picture the show will need next while the current one is on screen, so that a
// timer tick or the Right key can show it at once. Holds at most one request: a new one
// replaces it, and a replaced decode that is already running is left to finish and thrown
// away. Used from one thread (the window's); the decoding happens on a worker thread.
class PicturePrefetcher
{
public:
    // Gets the picture's natural (oriented) size and returns the size it will be drawn at, as
    // the loader's decodeSizeFor. It runs on the worker thread: capture values, not widgets.
    using DecodeSizeFor = std::function<QSize(QSize)>;

    explicit PicturePrefetcher(PictureLoader &loader);
    // Waits for a decode that is running: the loader is never left working for nobody.
    ~PicturePrefetcher();
    PicturePrefetcher(const PicturePrefetcher &) = delete;
    PicturePrefetcher &operator=(const PicturePrefetcher &) = delete;

    // Starts decoding `path` in the background, replacing any earlier request. A finished
    // decode of the same path at the same size, of an unchanged file, is kept instead.
    void prefetch(const QString &path, DecodeSizeFor decodeSizeFor);

    // The prefetched decode of `path`, if one was asked for, was made at the size
    // `decodeSizeFor` asks for now, and the file is unchanged since. A decode still running
    // for `path` is waited for: it is the decode of the picture about to be shown. Otherwise
    // nothing, and nothing is waited for. Either way the request is used up.
    std::optional<DecodedPicture> take(const QString &path, const DecodeSizeFor &decodeSizeFor);
    // The same for a known decode size (an invalid size meaning full size).
    std::optional<DecodedPicture> take(const QString &path, const QSize &decodeSize);

    // take(), else a fresh decode of `path` on this thread.
    DecodedPicture load(const QString &path, const DecodeSizeFor &decodeSizeFor);

    // A request for `path` is held and its decode has finished.
    bool isReady(const QString &path) const;
    // Drops the request; a decode already running is left to finish and thrown away.
    void clear();

private:
    struct Request;
    std::optional<DecodedPicture> takeMatching(const QString &path,
                                               const std::function<bool(const DecodedPicture &, const QSize &)> &sizeFits);

    PictureLoader &m_loader;
    std::unique_ptr<QThreadPool> m_pool;
    std::shared_ptr<Request> m_request;
};
