#pragma once

#include "platform/PictureLoader.h"
#include "show/DecodeTarget.h"

#include <QObject>
#include <QImage>
#include <QString>

#include <memory>

// Decodes pictures on a worker thread, so that the window's thread never decodes a picture and
// never waits for one. One decode runs at a time, which keeps a decode nobody wants any more
// from competing with the one wanted now for time or memory.
//
// Requests supersede each other: a picture wanted now replaces any earlier wanted picture
// still waiting, and stops one that is being decoded, unless it is the very decode asked for
// again. A picture can also be decoded ahead, when nothing is wanted, for a later request. The
// last few decodes are kept, so that asking again for a picture whose file has not changed, at
// a size that comes to the same decode, costs no decode. Everything that touches a file, the
// check whether a kept decode is still current included, happens on the worker.
class PictureDecoder : public QObject
{
    Q_OBJECT
public:
    // How many decodes are kept for later requests (the picture on screen, the next, the last).
    static constexpr int KeptDecodes = 3;
    // Beyond the newest decode, older ones are kept only while all of them stay below this.
    static constexpr qint64 KeptBytes = 160 * 1024 * 1024;

    explicit PictureDecoder(PictureLoader &loader, QObject *parent = nullptr);
    // Stops what runs and waits for the worker, which then gives up at once.
    ~PictureDecoder() override;

    // Wants `path` decoded for `target`. The picture comes back once, through decoded() on this
    // object's thread, with the returned ticket; a request that is superseded or cancelled
    // never comes back. With a valid `previewBox`, a copy of the picture that fits the box comes
    // back with it, made on the worker.
    quint64 want(const QString &path, const DecodeTarget &target, const QSize &previewBox = QSize());
    // Decodes `path` for `target` when nothing is wanted, and keeps it. Replaces the previous
    // request to decode ahead.
    void decodeAhead(const QString &path, const DecodeTarget &target);
    // Drops every request and stops the decode that runs: nothing asked for so far comes back.
    void cancel();

    // A decode of `path` for `target` is kept (or was the last one made) and its request is done.
    bool isKept(const QString &path, const DecodeTarget &target) const;
    // Nothing is waiting and nothing runs.
    bool isIdle() const;

Q_SIGNALS:
    void decoded(quint64 ticket, const DecodedPicture &picture, const QImage &preview);

private:
    struct Worker;
    void deliver(quint64 ticket, const DecodedPicture &picture, const QImage &preview);

    std::shared_ptr<Worker> m_worker;
};
