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

// A loader that decodes nothing: every picture is 400 x 300, each file has a version number
// the test can bump, and decodes can be held at a gate.
class ScriptedLoader final : public PictureLoader
{
public:
    static constexpr QSize Natural{400, 300};

    DecodedPicture load(const QString &path, const std::function<QSize(QSize)> &decodeSizeFor) override
    {
        ++started;
        {
            QMutexLocker lock(&mutex);
            loadedPaths << path;
            loadThreads << QThread::currentThread();
        }
        if (gated)
            gate.acquire();
        DecodedPicture picture;
        picture.path = path;
        picture.naturalSize = Natural;
        const QSize wanted = decodeSizeFor ? decodeSizeFor(Natural) : QSize();
        picture.image = QImage(wanted.isValid() ? wanted.boundedTo(Natural) : Natural, QImage::Format_RGB32);
        {
            QMutexLocker lock(&mutex);
            picture.ok = !broken.contains(path);
            picture.fileSize = versions.value(path, 1);
        }
        picture.modifiedNs = 0;
        ++finished;
        return picture;
    }

    QImage loadRegion(const QString &, const QRect &, const QSize &) override { return {}; }

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

} // namespace

class TestPicturePrefetcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void takeReturnsPrefetchedDecode();
    void takeWaitsForDecodeOfSamePath();
    void takeDoesNotWaitForAnotherPath();
    void staleRequestsAreSkipped();
    void decodeSizeMustMatch();
    void changedFileIsReadAgain();
    void failedDecodeIsKept();
    void samePrefetchIsNotRepeated();
    void destructionWaitsForDecode();
    void realFilesAreReadAgainWhenChanged();
};

void TestPicturePrefetcher::takeReturnsPrefetchedDecode()
{
    ScriptedLoader loader;
    PicturePrefetcher prefetcher(loader);
    prefetcher.prefetch(QStringLiteral("/p/a.jpg"), drawnAt(QSize(200, 150)));
    QTRY_VERIFY(prefetcher.isReady(QStringLiteral("/p/a.jpg")));
    QVERIFY(!prefetcher.isReady(QStringLiteral("/p/b.jpg")));

    const std::optional<DecodedPicture> picture = prefetcher.take(QStringLiteral("/p/a.jpg"), drawnAt(QSize(200, 150)));
    QVERIFY(picture);
    QVERIFY(picture->ok);
    QCOMPARE(picture->image.size(), QSize(200, 150));
    QCOMPARE(loader.started, 1);
    QVERIFY(loader.loadThreads.value(0) != QThread::currentThread());

    // Used up: the next take finds nothing and load() decodes afresh, here.
    QVERIFY(!prefetcher.take(QStringLiteral("/p/a.jpg"), drawnAt(QSize(200, 150))));
    QVERIFY(prefetcher.load(QStringLiteral("/p/a.jpg"), drawnAt(QSize(200, 150))).ok);
    QCOMPARE(loader.started, 2);
    QCOMPARE(loader.loadThreads.value(1), QThread::currentThread());
}

void TestPicturePrefetcher::takeWaitsForDecodeOfSamePath()
{
    ScriptedLoader loader;
    loader.gated = true;
    PicturePrefetcher prefetcher(loader);
    prefetcher.prefetch(QStringLiteral("/p/a.jpg"), drawnAt(QSize(200, 150)));
    QTRY_COMPARE(loader.started, 1);
    QVERIFY(!prefetcher.isReady(QStringLiteral("/p/a.jpg")));

    std::optional<DecodedPicture> picture;
    {
        GateOpener opener(loader, 1);
        picture = prefetcher.take(QStringLiteral("/p/a.jpg"), drawnAt(QSize(200, 150)));
    }
    QVERIFY(picture && picture->ok);
    // The running decode was the one used: no second decode.
    QCOMPARE(loader.started, 1);
}

void TestPicturePrefetcher::takeDoesNotWaitForAnotherPath()
{
    ScriptedLoader loader;
    loader.gated = true;
    PicturePrefetcher prefetcher(loader);
    prefetcher.prefetch(QStringLiteral("/p/a.jpg"), {});
    QTRY_COMPARE(loader.started, 1);
    // The gate is shut: waiting here would never end.
    QVERIFY(!prefetcher.take(QStringLiteral("/p/b.jpg"), PicturePrefetcher::DecodeSizeFor()));
    // The request for a.jpg is still held.
    loader.gate.release();
    QTRY_VERIFY(prefetcher.isReady(QStringLiteral("/p/a.jpg")));
    QVERIFY(prefetcher.take(QStringLiteral("/p/a.jpg"), QSize()));
}

void TestPicturePrefetcher::staleRequestsAreSkipped()
{
    ScriptedLoader loader;
    loader.gated = true;
    PicturePrefetcher prefetcher(loader);
    // A decode that began before it was cleared still runs to its end: the gate must be open
    // by the time the prefetcher waits for its work.
    const auto openGate = qScopeGuard([&loader] { loader.gate.release(8); });
    prefetcher.prefetch(QStringLiteral("/p/a.jpg"), {});
    QTRY_COMPARE(loader.started, 1);
    // b is asked for while a decodes, then c replaces b before it starts.
    prefetcher.prefetch(QStringLiteral("/p/b.jpg"), {});
    prefetcher.prefetch(QStringLiteral("/p/c.jpg"), {});
    QVERIFY(!prefetcher.take(QStringLiteral("/p/a.jpg"), QSize()));
    QVERIFY(!prefetcher.isReady(QStringLiteral("/p/b.jpg")));
    loader.gate.release(2);
    QTRY_VERIFY(prefetcher.isReady(QStringLiteral("/p/c.jpg")));
    QCOMPARE(loader.loadedPaths, QStringList({QStringLiteral("/p/a.jpg"), QStringLiteral("/p/c.jpg")}));
    QVERIFY(prefetcher.take(QStringLiteral("/p/c.jpg"), QSize()));

    // Cleared requests are skipped too.
    prefetcher.prefetch(QStringLiteral("/p/d.jpg"), {});
    prefetcher.clear();
    QVERIFY(!prefetcher.take(QStringLiteral("/p/d.jpg"), QSize()));
}

void TestPicturePrefetcher::decodeSizeMustMatch()
{
    ScriptedLoader loader;
    PicturePrefetcher prefetcher(loader);
    const QString path = QStringLiteral("/p/a.jpg");

    // The window was resized (or the sizing changed) since: the decode does not fit.
    prefetcher.prefetch(path, drawnAt(QSize(200, 150)));
    QTRY_VERIFY(prefetcher.isReady(path));
    QVERIFY(!prefetcher.take(path, drawnAt(QSize(100, 75))));

    // Larger than the picture and full size come to the same decode.
    prefetcher.prefetch(path, {});
    QTRY_VERIFY(prefetcher.isReady(path));
    QVERIFY(prefetcher.take(path, drawnAt(QSize(800, 600))));

    prefetcher.prefetch(path, drawnAt(QSize(800, 100)));
    QTRY_VERIFY(prefetcher.isReady(path));
    QVERIFY(prefetcher.take(path, QSize(900, 100)));
}

void TestPicturePrefetcher::changedFileIsReadAgain()
{
    ScriptedLoader loader;
    PicturePrefetcher prefetcher(loader);
    const QString path = QStringLiteral("/p/a.jpg");
    prefetcher.prefetch(path, {});
    QTRY_VERIFY(prefetcher.isReady(path));
    loader.change(path);

    QVERIFY(!prefetcher.take(path, QSize()));
    prefetcher.prefetch(path, {});
    QTRY_VERIFY(prefetcher.isReady(path));
    loader.change(path);
    const DecodedPicture picture = prefetcher.load(path, {});
    QCOMPARE(loader.started, 3);
    QCOMPARE(picture.fileSize, qint64(3));
}

void TestPicturePrefetcher::failedDecodeIsKept()
{
    ScriptedLoader loader;
    loader.broken << QStringLiteral("/p/broken.jpg");
    PicturePrefetcher prefetcher(loader);
    prefetcher.prefetch(QStringLiteral("/p/broken.jpg"), drawnAt(QSize(10, 10)));
    QTRY_VERIFY(prefetcher.isReady(QStringLiteral("/p/broken.jpg")));
    // Whatever size is wanted now, the unchanged broken file is not decoded a second time.
    const DecodedPicture picture = prefetcher.load(QStringLiteral("/p/broken.jpg"), drawnAt(QSize(20, 20)));
    QVERIFY(!picture.ok);
    QCOMPARE(loader.started, 1);
}

void TestPicturePrefetcher::samePrefetchIsNotRepeated()
{
    ScriptedLoader loader;
    PicturePrefetcher prefetcher(loader);
    const QString path = QStringLiteral("/p/a.jpg");
    prefetcher.prefetch(path, drawnAt(QSize(200, 150)));
    QTRY_VERIFY(prefetcher.isReady(path));
    prefetcher.prefetch(path, drawnAt(QSize(200, 150)));
    QVERIFY(prefetcher.isReady(path));
    QCOMPARE(loader.started, 1);

    // Another size, or a changed file, is decoded again.
    prefetcher.prefetch(path, drawnAt(QSize(100, 75)));
    QTRY_VERIFY(prefetcher.isReady(path));
    QCOMPARE(loader.started, 2);
    loader.change(path);
    prefetcher.prefetch(path, drawnAt(QSize(100, 75)));
    QTRY_VERIFY(prefetcher.isReady(path));
    QCOMPARE(loader.started, 3);
}

void TestPicturePrefetcher::destructionWaitsForDecode()
{
    ScriptedLoader loader;
    loader.gated = true;
    {
        PicturePrefetcher prefetcher(loader);
        prefetcher.prefetch(QStringLiteral("/p/a.jpg"), {});
        QTRY_COMPARE(loader.started, 1);
        GateOpener opener(loader, 1);
    }
    // Nothing is left running against a loader the caller may now destroy.
    QCOMPARE(loader.finished, 1);
}

void TestPicturePrefetcher::realFilesAreReadAgainWhenChanged()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
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

QTEST_GUILESS_MAIN(TestPicturePrefetcher)
#include "tst_pictureprefetcher.moc"
