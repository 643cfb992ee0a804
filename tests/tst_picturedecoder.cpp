// The decoder decodes on its worker and answers only the request made last: a newer request
// supersedes a waiting one and stops a running one, a decode under way or kept is used again
// while it fits (same path, same decode size, file unchanged), and nothing outlives it.
#include "platform/QtPictureLoader.h"
#include "show/PictureDecoder.h"

#include <QHash>
#include <QMutex>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <mutex>

Q_DECLARE_METATYPE(DecodedPicture)

namespace {

// Decodes nothing: every picture is 400 x 300, each file has a version the test can bump (its
// fileSize), and decodes can be held at a gate, which a stop request also opens.
class ScriptedLoader final : public PictureLoader
{
public:
    DecodedPicture load(const QString &path, const std::function<QSize(QSize)> &decodeSizeFor,
                        std::stop_token stop) override
    {
        ++started;
        {
            QMutexLocker lock(&mutex);
            loadedPaths << path;
            loadThreads << QThread::currentThread();
        }
        {
            std::unique_lock lock(gateMutex);
            gateChanged.wait(lock, stop, [this] { return !gated || passes > 0; });
            if (passes > 0)
                --passes;
        }
        if (stop.stop_requested()) {
            ++stopped;
            return DecodedPicture{path, false, {}, {}, -1, -1};
        }
        const QSize natural(400, 300), wanted = decodeSizeFor ? decodeSizeFor(natural) : QSize();
        const QImage image(wanted.isValid() ? wanted.boundedTo(natural) : natural, QImage::Format_RGB32);
        QMutexLocker lock(&mutex);
        ++finished;
        return DecodedPicture{path, !broken.contains(path), image, natural, versions.value(path, 1), 0};
    }

    QImage loadRegion(const QString &, const QRect &, const QSize &, std::stop_token) override { return {}; }

    bool isUnchanged(const DecodedPicture &picture) const override
    {
        QMutexLocker lock(&mutex);
        return picture.fileSize >= 0 && picture.fileSize == versions.value(picture.path, 1);
    }

    void change(const QString &path)
    {
        QMutexLocker lock(&mutex);
        versions[path] = versions.value(path, 1) + 1;
    }

    void shut()
    {
        std::lock_guard lock(gateMutex);
        gated = true;
    }

    void let(int count)
    {
        {
            std::lock_guard lock(gateMutex);
            passes += count;
        }
        gateChanged.notify_all();
    }

    mutable QMutex mutex;
    QStringList loadedPaths;
    QList<QThread *> loadThreads;
    QHash<QString, qint64> versions;
    QStringList broken;
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    std::atomic<int> stopped{0};

private:
    std::mutex gateMutex;
    std::condition_variable_any gateChanged;
    bool gated = false;
    int passes = 0;
};

const QString A = QStringLiteral("/p/a.jpg"), B = QStringLiteral("/p/b.jpg"), C = QStringLiteral("/p/c.jpg");

DecodeTarget boxOf(int width, int height)
{
    return DecodeTarget::box(QSize(width, height));
}

// The pictures delivered, in order: ticket and path.
struct Delivered
{
    explicit Delivered(PictureDecoder &decoder)
    {
        QObject::connect(&decoder, &PictureDecoder::decoded,
                         [this](quint64 ticket, const DecodedPicture &picture, const QImage &preview) {
                             tickets << ticket;
                             pictures << picture;
                             previews << preview;
                         });
    }
    QList<quint64> tickets;
    QList<DecodedPicture> pictures;
    QList<QImage> previews;
};

} // namespace

class TestPictureDecoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wantedPictureComesBackOnceFromTheWorker()
    {
        ScriptedLoader loader;
        PictureDecoder decoder(loader);
        Delivered delivered(decoder);
        const quint64 ticket = decoder.want(A, boxOf(200, 150), QSize(100, 100));
        QTRY_COMPARE(delivered.tickets.size(), 1);
        QCOMPARE(delivered.tickets[0], ticket);
        QVERIFY(delivered.pictures[0].ok);
        QCOMPARE(delivered.pictures[0].image.size(), QSize(200, 150));
        // The preview copy fits its box, made on the worker too.
        QCOMPARE(delivered.previews[0].size(), QSize(100, 75));
        QVERIFY(loader.loadThreads.value(0) != QThread::currentThread());

        // Asked again, unchanged: served from what was kept, without a second decode.
        QVERIFY(decoder.isKept(A, boxOf(200, 150)));
        decoder.want(A, boxOf(200, 150));
        QTRY_COMPARE(delivered.tickets.size(), 2);
        QCOMPARE(loader.started, 1);
        QTRY_VERIFY(decoder.isIdle());
        QCOMPARE(delivered.tickets.size(), 2);
    }

    void newestRequestSupersedesTheOthers()
    {
        ScriptedLoader loader;
        loader.shut();
        PictureDecoder decoder(loader);
        Delivered delivered(decoder);
        decoder.want(A, {});
        QTRY_COMPARE(loader.started, 1);
        // b is wanted while a decodes, then c before b started: a is stopped, b never starts.
        decoder.want(B, {});
        const quint64 last = decoder.want(C, {});
        QTRY_COMPARE(loader.stopped, 1);
        loader.let(1);
        QTRY_COMPARE(delivered.tickets.size(), 1);
        QCOMPARE(delivered.tickets[0], last);
        QCOMPARE(delivered.pictures[0].path, C);
        QCOMPARE(loader.loadedPaths, QStringList({A, C}));
        // A stopped decode is not kept.
        QVERIFY(!decoder.isKept(A, {}));

        // A cancelled request never comes back either.
        decoder.want(B, {});
        QTRY_COMPARE(loader.started, 3);
        decoder.cancel();
        QTRY_VERIFY(decoder.isIdle());
        QCOMPARE(delivered.tickets.size(), 1);
    }

    void decodeUnderWayIsAdoptedNotRestarted()
    {
        ScriptedLoader loader;
        loader.shut();
        PictureDecoder decoder(loader);
        Delivered delivered(decoder);
        decoder.decodeAhead(A, boxOf(200, 150));
        QTRY_COMPARE(loader.started, 1);
        // The picture decoded ahead is the one wanted now: that decode comes back.
        const quint64 ticket = decoder.want(A, boxOf(200, 150));
        loader.let(1);
        QTRY_COMPARE(delivered.tickets.size(), 1);
        QCOMPARE(delivered.tickets[0], ticket);
        QCOMPARE(loader.started, 1);
        QCOMPARE(loader.stopped, 0);

        // Decoding ahead waits while a picture is wanted, and is kept for later.
        decoder.want(B, {});
        decoder.decodeAhead(C, {});
        loader.let(2);
        QTRY_VERIFY(decoder.isKept(C, {}));
        QCOMPARE(loader.loadedPaths, QStringList({A, B, C}));
        // B's picture may still be on its way to this thread.
        QTRY_COMPARE(delivered.tickets.size(), 2);
    }

    void keptDecodeServesOnlyWhatItFits()
    {
        ScriptedLoader loader;
        PictureDecoder decoder(loader);
        Delivered delivered(decoder);
        decoder.decodeAhead(A, boxOf(200, 150));
        QTRY_VERIFY(decoder.isKept(A, boxOf(200, 150)));
        // Resized since (or another sizing): decoded again.
        QVERIFY(!decoder.isKept(A, boxOf(100, 75)));
        decoder.want(A, boxOf(100, 75));
        QTRY_COMPARE(delivered.tickets.size(), 1);
        QCOMPARE(loader.started, 2);
        // Larger than the picture and full size come to the same decode.
        decoder.want(A, {});
        QTRY_COMPARE(delivered.tickets.size(), 2);
        QVERIFY(decoder.isKept(A, boxOf(800, 600)));
        QCOMPARE(loader.started, 3);

        // A file changed since it was kept is decoded again.
        loader.change(A);
        decoder.want(A, {});
        QTRY_COMPARE(delivered.tickets.size(), 3);
        QCOMPARE(loader.started, 4);
        QCOMPARE(delivered.pictures.last().fileSize, qint64(2));

        // Whatever size is wanted, an unchanged broken file is not decoded a second time.
        loader.broken << B;
        decoder.want(B, boxOf(10, 10));
        QTRY_COMPARE(delivered.tickets.size(), 4);
        decoder.want(B, boxOf(20, 20));
        QTRY_COMPARE(delivered.tickets.size(), 5);
        QVERIFY(!delivered.pictures.last().ok);
        QCOMPARE(loader.started, 5);
    }

    void onlyTheLastFewDecodesAreKept()
    {
        ScriptedLoader loader;
        PictureDecoder decoder(loader);
        const QStringList paths = {A, B, C, QStringLiteral("/p/d.jpg")};
        for (const QString &path : paths) {
            decoder.decodeAhead(path, {});
            QTRY_VERIFY(decoder.isKept(path, {}));
        }
        QVERIFY(!decoder.isKept(A, {}));
        for (int i = 1; i < paths.size(); ++i)
            QVERIFY(decoder.isKept(paths[i], {}));
    }

    void destructionStopsTheDecodeAndWaitsForIt()
    {
        ScriptedLoader loader;
        loader.shut();
        {
            PictureDecoder decoder(loader);
            decoder.want(A, {});
            QTRY_COMPARE(loader.started, 1);
            // The gate stays shut: only the stop lets the decode end.
        }
        // Nothing is left running against a loader the caller may now destroy.
        QCOMPARE(loader.stopped, 1);
    }

    void realFilesAreReadAgainWhenChanged()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("photo.jpg"));
        QImage photo(1200, 800, QImage::Format_RGB32);
        photo.fill(QColor(200, 40, 40));
        QVERIFY(photo.save(path, "JPEG", 90));

        QtPictureLoader loader;
        PictureDecoder decoder(loader);
        Delivered delivered(decoder);
        const DecodeTarget fit = boxOf(300, 200);
        decoder.want(path, fit);
        QTRY_COMPARE(delivered.tickets.size(), 1);
        QCOMPARE(delivered.pictures[0].naturalSize, QSize(1200, 800));
        QCOMPARE(delivered.pictures[0].image.size(), QSize(300, 200));

        photo = QImage(900, 900, QImage::Format_RGB32);
        photo.fill(QColor(40, 40, 200));
        QVERIFY(photo.save(path, "JPEG", 90));
        // What is shown is the file as it is now.
        decoder.want(path, fit);
        QTRY_COMPARE(delivered.tickets.size(), 2);
        QCOMPARE(delivered.pictures[1].naturalSize, QSize(900, 900));
        QVERIFY(qBlue(delivered.pictures[1].image.pixel(10, 10)) > 150);
    }
};

QTEST_GUILESS_MAIN(TestPictureDecoder)
#include "tst_picturedecoder.moc"
