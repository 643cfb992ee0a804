// The prefetcher decodes the next picture aside and hands it over only while it still fits:
// same path, same decode size, file unchanged; stale requests are skipped, nothing outlives it.
#include "platform/QtPictureLoader.h"
#include "show/PicturePrefetcher.h"

#include <QHash>
#include <QMutex>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

// Decodes nothing: every picture is 400 x 300, each file has a version the test can bump
// (its fileSize), and decodes can be held at a gate.
class ScriptedLoader final : public PictureLoader
{
public:
    DecodedPicture load(const QString &path, const std::function<QSize(QSize)> &decodeSizeFor, std::stop_token = {}) override
    {
        ++started;
        {
            QMutexLocker lock(&mutex);
            loadedPaths << path;
            loadThreads << QThread::currentThread();
        }
        if (gated)
            gate.acquire();
        const QSize natural(400, 300), wanted = decodeSizeFor ? decodeSizeFor(natural) : QSize();
        const QImage image(wanted.isValid() ? wanted.boundedTo(natural) : natural, QImage::Format_RGB32);
        QMutexLocker lock(&mutex);
        ++finished;
        return DecodedPicture{path, !broken.contains(path), image, natural, versions.value(path, 1), 0};
    }

    QImage loadRegion(const QString &, const QRect &, const QSize &, std::stop_token = {}) override { return {}; }

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

    mutable QMutex mutex;
    QStringList loadedPaths;
    QList<QThread *> loadThreads;
    QHash<QString, qint64> versions;
    QStringList broken;
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    bool gated = false;
    QSemaphore gate;
};

PicturePrefetcher::DecodeSizeFor drawnAt(QSize size)
{
    return [size](QSize) { return size; };
}

// Lets a gated decode go from another thread, while this one is busy in the prefetcher.
class GateOpener
{
public:
    GateOpener(ScriptedLoader &loader, int count) : m_thread([&loader, count] { loader.gate.release(count); }) {}
    ~GateOpener() { m_thread.join(); }

private:
    std::thread m_thread;
};

const QString A = QStringLiteral("/p/a.jpg"), B = QStringLiteral("/p/b.jpg"), C = QStringLiteral("/p/c.jpg");

} // namespace

class TestPicturePrefetcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void takeReturnsPrefetchedDecodeOnce()
    {
        ScriptedLoader loader;
        PicturePrefetcher prefetcher(loader);
        prefetcher.prefetch(A, drawnAt(QSize(200, 150)));
        QTRY_VERIFY(prefetcher.isReady(A));
        QVERIFY(!prefetcher.isReady(B));

        const std::optional<DecodedPicture> picture = prefetcher.take(A, drawnAt(QSize(200, 150)));
        QVERIFY(picture && picture->ok);
        QCOMPARE(picture->image.size(), QSize(200, 150));
        QCOMPARE(loader.started, 1);
        QVERIFY(loader.loadThreads.value(0) != QThread::currentThread());

        // Used up: the next take finds nothing and load() decodes afresh, here.
        QVERIFY(!prefetcher.take(A, drawnAt(QSize(200, 150))));
        QVERIFY(prefetcher.load(A, drawnAt(QSize(200, 150))).ok);
        QCOMPARE(loader.started, 2);
        QCOMPARE(loader.loadThreads.value(1), QThread::currentThread());
    }

    void takeWaitsOnlyForTheSamePath()
    {
        ScriptedLoader loader;
        loader.gated = true;
        PicturePrefetcher prefetcher(loader);
        prefetcher.prefetch(A, drawnAt(QSize(200, 150)));
        QTRY_COMPARE(loader.started, 1);
        QVERIFY(!prefetcher.isReady(A));
        // The gate is shut: waiting for another path here would never end.
        QVERIFY(!prefetcher.take(B, PicturePrefetcher::DecodeSizeFor()));

        std::optional<DecodedPicture> picture;
        {
            GateOpener opener(loader, 1);
            picture = prefetcher.take(A, drawnAt(QSize(200, 150)));
        }
        QVERIFY(picture && picture->ok);
        // The running decode was the one used: no second decode.
        QCOMPARE(loader.started, 1);
    }

    void staleRequestsAreSkipped()
    {
        ScriptedLoader loader;
        loader.gated = true;
        PicturePrefetcher prefetcher(loader);
        // A cleared decode still runs to its end: the gate must be open when the prefetcher waits for it.
        const auto openGate = qScopeGuard([&loader] { loader.gate.release(8); });
        prefetcher.prefetch(A, {});
        QTRY_COMPARE(loader.started, 1);
        // b is asked for while a decodes, then c replaces b before it starts.
        prefetcher.prefetch(B, {});
        prefetcher.prefetch(C, {});
        QVERIFY(!prefetcher.take(A, QSize()));
        QVERIFY(!prefetcher.isReady(B));
        loader.gate.release(2);
        QTRY_VERIFY(prefetcher.isReady(C));
        QCOMPARE(loader.loadedPaths, QStringList({A, C}));
        QVERIFY(prefetcher.take(C, QSize()));

        // Cleared requests are skipped too.
        prefetcher.prefetch(B, {});
        prefetcher.clear();
        QVERIFY(!prefetcher.take(B, QSize()));
    }

    void decodeSizeMustMatch()
    {
        ScriptedLoader loader;
        PicturePrefetcher prefetcher(loader);
        // The window was resized (or the sizing changed) since: the decode does not fit.
        prefetcher.prefetch(A, drawnAt(QSize(200, 150)));
        QTRY_VERIFY(prefetcher.isReady(A));
        QVERIFY(!prefetcher.take(A, drawnAt(QSize(100, 75))));
        // Larger than the picture and full size come to the same decode.
        prefetcher.prefetch(A, {});
        QTRY_VERIFY(prefetcher.isReady(A));
        QVERIFY(prefetcher.take(A, drawnAt(QSize(800, 600))));
        prefetcher.prefetch(A, drawnAt(QSize(800, 100)));
        QTRY_VERIFY(prefetcher.isReady(A));
        QVERIFY(prefetcher.take(A, QSize(900, 100)));
    }

    void decodedAgainOnlyWhenSomethingChanged()
    {
        ScriptedLoader loader;
        PicturePrefetcher prefetcher(loader);
        prefetcher.prefetch(A, drawnAt(QSize(200, 150)));
        QTRY_VERIFY(prefetcher.isReady(A));
        prefetcher.prefetch(A, drawnAt(QSize(200, 150)));
        QVERIFY(prefetcher.isReady(A));
        QCOMPARE(loader.started, 1);
        // Another size, or a changed file, is decoded again.
        prefetcher.prefetch(A, drawnAt(QSize(100, 75)));
        QTRY_VERIFY(prefetcher.isReady(A));
        QCOMPARE(loader.started, 2);
        loader.change(A);
        prefetcher.prefetch(A, drawnAt(QSize(100, 75)));
        QTRY_VERIFY(prefetcher.isReady(A));
        QCOMPARE(loader.started, 3);

        // A file changed after its prefetch is not handed over, neither by take() nor by load().
        loader.change(A);
        QVERIFY(!prefetcher.take(A, drawnAt(QSize(100, 75))));
        prefetcher.prefetch(A, {});
        QTRY_VERIFY(prefetcher.isReady(A));
        loader.change(A);
        QCOMPARE(prefetcher.load(A, {}).fileSize, qint64(4));
        QCOMPARE(loader.started, 5);

        // Whatever size is wanted now, an unchanged broken file is not decoded a second time.
        loader.broken << B;
        prefetcher.prefetch(B, drawnAt(QSize(10, 10)));
        QTRY_VERIFY(prefetcher.isReady(B));
        QVERIFY(!prefetcher.load(B, drawnAt(QSize(20, 20))).ok);
        QCOMPARE(loader.started, 6);
    }

    void destructionWaitsForDecode()
    {
        ScriptedLoader loader;
        loader.gated = true;
        {
            PicturePrefetcher prefetcher(loader);
            prefetcher.prefetch(A, {});
            QTRY_COMPARE(loader.started, 1);
            GateOpener opener(loader, 1);
        }
        // Nothing is left running against a loader the caller may now destroy.
        QCOMPARE(loader.finished, 1);
    }

    void realFilesAreReadAgainWhenChanged()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("photo.jpg"));
        QImage photo(1200, 800, QImage::Format_RGB32);
        photo.fill(QColor(200, 40, 40));
        QVERIFY(photo.save(path, "JPEG", 90));

        QtPictureLoader loader;
        PicturePrefetcher prefetcher(loader);
        const auto fit = drawnAt(QSize(300, 200));
        prefetcher.prefetch(path, fit);
        QTRY_VERIFY(prefetcher.isReady(path));
        std::optional<DecodedPicture> picture = prefetcher.take(path, fit);
        QVERIFY(picture && picture->ok);
        QCOMPARE(picture->naturalSize, QSize(1200, 800));
        QCOMPARE(picture->image.size(), QSize(300, 200));

        prefetcher.prefetch(path, fit);
        QTRY_VERIFY(prefetcher.isReady(path));
        photo = QImage(900, 900, QImage::Format_RGB32);
        photo.fill(QColor(40, 40, 200));
        QVERIFY(photo.save(path, "JPEG", 90));
        // What is shown is the file as it is now.
        QVERIFY(!prefetcher.take(path, fit));
        const DecodedPicture now = prefetcher.load(path, fit);
        QVERIFY(now.ok);
        QCOMPARE(now.naturalSize, QSize(900, 900));
        QVERIFY(qBlue(now.image.pixel(10, 10)) > 150);
    }
};

QTEST_GUILESS_MAIN(TestPicturePrefetcher)
#include "tst_pictureprefetcher.moc"
