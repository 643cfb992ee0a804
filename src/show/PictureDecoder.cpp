#include "show/PictureDecoder.h"

#include <QMetaObject>
#include <QPointer>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

namespace {

struct Job
{
    quint64 ticket = 0; // 0: decoded ahead, nobody waits for it (yet)
    QString path;
    DecodeTarget target;
    QSize previewBox;
    std::stop_source stop;
    QSize natural; // once the decode has read it
};

struct Kept
{
    DecodedPicture picture;
    DecodeTarget target;
};

// Whether a decode made for `made` serves a request for `wanted`: the same size, or a file
// that could not be read, which reading again would not change.
bool serves(const Kept &kept, const DecodeTarget &wanted)
{
    if (!kept.picture.ok)
        return true;
    const QSize natural = kept.picture.naturalSize;
    return kept.target.effectiveSizeFor(natural) == wanted.effectiveSizeFor(natural);
}

QImage previewOf(const DecodedPicture &picture, const QSize &box)
{
    if (!picture.ok || !box.isValid() || box.isEmpty())
        return {};
    const QImage &image = picture.image;
    if (image.width() <= box.width() && image.height() <= box.height())
        return image;
    return image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

} // namespace

struct PictureDecoder::Worker
{
    explicit Worker(PictureLoader &pictureLoader) : loader(pictureLoader) {}

    void run(PictureDecoder *owner);
    DecodedPicture serve(const Job &job);
    std::optional<Kept> keptFor(const QString &path, const DecodeTarget &target) const;
    void keep(const DecodedPicture &picture, const DecodeTarget &target);

    PictureLoader &loader;
    mutable std::mutex mutex;
    std::condition_variable wake;
    bool quitting = false;
    std::optional<Job> wanted;
    std::optional<Job> ahead;
    std::optional<Job> running;
    std::deque<Kept> kept; // most recent first
    quint64 lastTicket = 0;
    std::thread thread;
};

PictureDecoder::PictureDecoder(PictureLoader &loader, QObject *parent)
    : QObject(parent), m_worker(std::make_shared<Worker>(loader))
{
    m_worker->thread = std::thread([worker = m_worker.get(), this] { worker->run(this); });
}

PictureDecoder::~PictureDecoder()
{
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->quitting = true;
        m_worker->wanted.reset();
        m_worker->ahead.reset();
        if (m_worker->running)
            m_worker->running->stop.request_stop();
    }
    m_worker->wake.notify_all();
    m_worker->thread.join();
}

quint64 PictureDecoder::want(const QString &path, const DecodeTarget &target, const QSize &previewBox)
{
    Worker &worker = *m_worker;
    std::unique_lock lock(worker.mutex);
    const quint64 ticket = ++worker.lastTicket;
    worker.wanted.reset();
    if (worker.running) {
        Job &running = *worker.running;
        if (running.path == path && !running.stop.stop_requested()
            && (!running.natural.isValid()
                || running.target.effectiveSizeFor(running.natural) == target.effectiveSizeFor(running.natural))) {
            // Already under way, and it comes to the same size (or has not chosen its size yet):
            // that decode becomes the one wanted.
            if (!running.natural.isValid())
                running.target = target;
            running.ticket = ticket;
            running.previewBox = previewBox;
            return ticket;
        }
        running.stop.request_stop();
    }
    if (worker.ahead && worker.ahead->path == path)
        worker.ahead.reset();
    worker.wanted = Job{ticket, path, target, previewBox, {}, {}};
    lock.unlock();
    worker.wake.notify_all();
    return ticket;
}

void PictureDecoder::decodeAhead(const QString &path, const DecodeTarget &target)
{
    Worker &worker = *m_worker;
    std::unique_lock lock(worker.mutex);
    if (worker.running && worker.running->path == path && !worker.running->stop.stop_requested())
        return;
    worker.ahead = Job{0, path, target, {}, {}, {}};
    lock.unlock();
    worker.wake.notify_all();
}

void PictureDecoder::cancel()
{
    Worker &worker = *m_worker;
    std::lock_guard lock(worker.mutex);
    ++worker.lastTicket;
    worker.wanted.reset();
    worker.ahead.reset();
    if (worker.running)
        worker.running->stop.request_stop();
}

bool PictureDecoder::isKept(const QString &path, const DecodeTarget &target) const
{
    std::lock_guard lock(m_worker->mutex);
    if ((m_worker->running && m_worker->running->path == path)
        || (m_worker->wanted && m_worker->wanted->path == path))
        return false;
    return m_worker->keptFor(path, target).has_value();
}

bool PictureDecoder::isIdle() const
{
    std::lock_guard lock(m_worker->mutex);
    return !m_worker->wanted && !m_worker->ahead && !m_worker->running;
}

void PictureDecoder::deliver(quint64 ticket, const DecodedPicture &picture, const QImage &preview)
{
    {
        // A request superseded while its result was on the way is not delivered either.
        std::lock_guard lock(m_worker->mutex);
        if (ticket != m_worker->lastTicket)
            return;
    }
    Q_EMIT decoded(ticket, picture, preview);
}

void PictureDecoder::Worker::run(PictureDecoder *owner)
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return quitting || wanted || ahead; });
            if (quitting)
                return;
            std::optional<Job> &next = wanted ? wanted : ahead;
            job = std::move(*next);
            next.reset();
            running = job;
        }

        DecodedPicture picture = serve(job);

        quint64 ticket = 0;
        QSize previewBox;
        {
            std::lock_guard lock(mutex);
            const bool stopped = running->stop.stop_requested();
            ticket = stopped ? 0 : running->ticket;
            previewBox = running->previewBox;
            const DecodeTarget target = running->target;
            running.reset();
            if (stopped)
                continue;
            keep(picture, target);
        }
        if (ticket == 0)
            continue;
        QImage preview = previewOf(picture, previewBox);
        QMetaObject::invokeMethod(
            owner, [owner, ticket, picture = std::move(picture), preview = std::move(preview)] {
                owner->deliver(ticket, picture, preview);
            },
            Qt::QueuedConnection);
    }
}

DecodedPicture PictureDecoder::Worker::serve(const Job &job)
{
    std::optional<Kept> earlier;
    {
        std::lock_guard lock(mutex);
        earlier = keptFor(job.path, job.target);
    }
    if (earlier && loader.isUnchanged(earlier->picture))
        return earlier->picture;
    // The size is chosen once the picture's own size is known; until then a request for the
    // same picture may still change what it is decoded for.
    return loader.load(job.path,
                       [this](QSize natural) {
                           std::lock_guard lock(mutex);
                           running->natural = natural;
                           return running->target.sizeFor(natural);
                       },
                       job.stop.get_token());
}

std::optional<Kept> PictureDecoder::Worker::keptFor(const QString &path, const DecodeTarget &target) const
{
    for (const Kept &entry : kept) {
        if (entry.picture.path == path && serves(entry, target))
            return entry;
    }
    return std::nullopt;
}

void PictureDecoder::Worker::keep(const DecodedPicture &picture, const DecodeTarget &target)
{
    for (auto it = kept.begin(); it != kept.end(); ++it) {
        if (it->picture.path == picture.path) {
            kept.erase(it);
            break;
        }
    }
    kept.push_front(Kept{picture, target});
    // The newest is always kept; older ones only while they stay small beside it.
    qint64 bytes = 0;
    std::size_t count = 0;
    for (const Kept &entry : kept) {
        bytes += entry.picture.image.sizeInBytes();
        if (count > 0 && bytes > KeptBytes)
            break;
        ++count;
    }
    kept.resize(std::min(count, std::size_t(KeptDecodes)));
}
