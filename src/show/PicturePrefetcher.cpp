#include "show/PicturePrefetcher.h"

#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace {

// The size a decode ends up at for a requested size, as the loader chooses it: never larger
// than the picture, and the full size for an invalid request.
QSize effectiveDecodeSize(const QSize &requested, const QSize &natural)
{
    if (!requested.isValid())
        return natural;
    return requested.expandedTo(QSize(1, 1)).boundedTo(natural);
}

} // namespace

struct PicturePrefetcher::Request
{
    QString path;
    DecodeSizeFor decodeSizeFor;
    // Replaced or cleared: a decode that has not started yet is skipped.
    std::atomic<bool> dropped{false};

    std::mutex mutex;
    std::condition_variable finishedChanged;
    bool finished = false;
    DecodedPicture picture;
    QSize decodeSize; // what decodeSizeFor answered; invalid when it was not asked
};

PicturePrefetcher::PicturePrefetcher(PictureLoader &loader)
    : m_loader(loader), m_pool(std::make_unique<QThreadPool>())
{
    // One decode at a time: a stale decode never competes with the one wanted next for
    // memory, and the window's own decode keeps the rest of the machine.
    m_pool->setMaxThreadCount(1);
}

PicturePrefetcher::~PicturePrefetcher()
{
    clear();
    m_pool->waitForDone();
}

void PicturePrefetcher::prefetch(const QString &path, DecodeSizeFor decodeSizeFor)
{
    if (m_request && m_request->path == path) {
        std::unique_lock lock(m_request->mutex);
        const DecodedPicture &done = m_request->picture;
        if (m_request->finished && done.ok && m_loader.isUnchanged(done)
            && effectiveDecodeSize(decodeSizeFor ? decodeSizeFor(done.naturalSize) : QSize(), done.naturalSize)
                == effectiveDecodeSize(m_request->decodeSize, done.naturalSize)) {
            return;
        }
    }
    clear();

    auto request = std::make_shared<Request>();
    request->path = path;
    request->decodeSizeFor = std::move(decodeSizeFor);
    m_request = request;
    PictureLoader &loader = m_loader;
    m_pool->start([request, &loader] {
        DecodedPicture picture;
        QSize decodeSize;
        if (!request->dropped) {
            picture = loader.load(request->path, [&request, &decodeSize](QSize natural) {
                decodeSize = request->decodeSizeFor ? request->decodeSizeFor(natural) : QSize();
                return decodeSize;
            });
        }
        {
            std::lock_guard lock(request->mutex);
            request->picture = std::move(picture);
            request->decodeSize = decodeSize;
            request->finished = true;
        }
        request->finishedChanged.notify_all();
    });
}

std::optional<DecodedPicture> PicturePrefetcher::take(const QString &path, const DecodeSizeFor &decodeSizeFor)
{
    return takeMatching(path, [&decodeSizeFor](const DecodedPicture &picture, const QSize &decodedFor) {
        const QSize wanted = decodeSizeFor ? decodeSizeFor(picture.naturalSize) : QSize();
        return effectiveDecodeSize(wanted, picture.naturalSize)
            == effectiveDecodeSize(decodedFor, picture.naturalSize);
    });
}

std::optional<DecodedPicture> PicturePrefetcher::take(const QString &path, const QSize &decodeSize)
{
    return takeMatching(path, [&decodeSize](const DecodedPicture &picture, const QSize &decodedFor) {
        return effectiveDecodeSize(decodeSize, picture.naturalSize)
            == effectiveDecodeSize(decodedFor, picture.naturalSize);
    });
}

std::optional<DecodedPicture> PicturePrefetcher::takeMatching(
    const QString &path, const std::function<bool(const DecodedPicture &, const QSize &)> &sizeFits)
{
    if (!m_request || m_request->path != path)
        return std::nullopt;
    const std::shared_ptr<Request> request = std::move(m_request);
    DecodedPicture picture;
    QSize decodedFor;
    {
        std::unique_lock lock(request->mutex);
        request->finishedChanged.wait(lock, [&request] { return request->finished; });
        picture = std::move(request->picture);
        decodedFor = request->decodeSize;
    }
    // A failed decode is kept as well: reading a broken file twice would only fail again.
    if (picture.ok && !sizeFits(picture, decodedFor))
        return std::nullopt;
    if (!m_loader.isUnchanged(picture))
        return std::nullopt;
    return picture;
}

DecodedPicture PicturePrefetcher::load(const QString &path, const DecodeSizeFor &decodeSizeFor)
{
    if (std::optional<DecodedPicture> prefetched = take(path, decodeSizeFor))
        return std::move(*prefetched);
    return m_loader.load(path, decodeSizeFor);
}

bool PicturePrefetcher::isReady(const QString &path) const
{
    if (!m_request || m_request->path != path)
        return false;
    std::lock_guard lock(m_request->mutex);
    return m_request->finished;
}

void PicturePrefetcher::clear()
{
    if (m_request) {
        m_request->dropped = true;
        m_request.reset();
    }
}
