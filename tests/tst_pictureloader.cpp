// The picture loader reads every format whole and oriented, decodes reduced or in parts, shows
// colours in sRGB, and refuses what is not a regular file, broken, or too large, without hanging.
#include "platform/DecodeBudget.h"
#include "platform/QtPictureLoader.h"

#include <QBuffer>
#include <QColorSpace>
#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <vector>

namespace {

// Four flat quadrants: a picture whose orientation and placement show in any corner.
QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(220, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 220), qRgb(240, 240, 240)};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(y >= height / 2) * 2 + (x >= width / 2)]);
    }
    return image;
}

// Smooth all over: scaling filters and JPEG agree on it to within a few levels.
QImage smooth(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(40 + x * 180 / width, 40 + y * 180 / height, 40 + (x + 2 * y) * 180 / (width + 2 * height));
    }
    return image;
}

// quadrants() drawn as an SVG document, which Qt reads but does not write.
QByteArray quadrantsSvg(int width, int height)
{
    const QString svg = QStringLiteral(
        "<svg xmlns='http://www.w3.org/2000/svg' width='%1' height='%2'>"
        "<rect width='%3' height='%4' fill='rgb(220,30,30)'/>"
        "<rect x='%3' width='%3' height='%4' fill='rgb(30,200,30)'/>"
        "<rect y='%4' width='%3' height='%4' fill='rgb(30,30,220)'/>"
        "<rect x='%3' y='%4' width='%3' height='%4' fill='rgb(240,240,240)'/></svg>");
    return svg.arg(width).arg(height).arg(width / 2).arg(height / 2).toUtf8();
}

QByteArray encoded(const QImage &image, const char *format, int quality = -1, bool progressive = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image))
        qFatal("cannot encode %s: %s", format, qPrintable(writer.errorString()));
    return buffer.data();
}

bool near(QRgb a, QRgb b, int tolerance = 40)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
           && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

template<typename T>
QByteArray bigEndian(T value)
{
    QByteArray bytes(sizeof(T), '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

// Puts an APP1 Exif segment holding only an orientation tag right after the JPEG's SOI.
QByteArray withExifOrientation(const QByteArray &jpeg, int orientation)
{
    QByteArray tiff("MM\0\x2a", 4);
    tiff += bigEndian<quint32>(8) + bigEndian<quint16>(1);              // IFD0 of one entry
    tiff += bigEndian<quint16>(0x0112) + bigEndian<quint16>(3);         // Orientation, SHORT
    tiff += bigEndian<quint32>(1) + bigEndian<quint16>(quint16(orientation)) + bigEndian<quint16>(0);
    tiff += bigEndian<quint32>(0);                                      // no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    return jpeg.left(2) + QByteArray("\xff\xe1", 2) + bigEndian<quint16>(quint16(payload.size() + 2)) + payload
           + jpeg.mid(2);
}

// Where stored pixel (x, y) lands is fixed by the EXIF standard: the stored pixel each oriented one shows.
QPoint storedPixelOf(int orientation, QPoint oriented, QSize stored)
{
    const int x = oriented.x(), y = oriented.y(), W = stored.width(), H = stored.height();
    switch (orientation) {
    case 2: return {W - 1 - x, y};
    case 3: return {W - 1 - x, H - 1 - y};
    case 4: return {x, H - 1 - y};
    case 5: return {y, x};
    case 6: return {y, H - 1 - x};
    case 7: return {W - 1 - y, H - 1 - x};
    case 8: return {W - 1 - y, x};
    default: return {x, y};
    }
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A small real file of `format` whose header declares width x height instead.
QByteArray declaring(const char *format, quint32 width, quint32 height)
{
    QByteArray bytes = encoded(smooth(64, 64), format);
    if (qstrcmp(format, "png") == 0) { // IHDR data at 16, its CRC at 29
        bytes.replace(16, 8, bigEndian(width) + bigEndian(height));
        bytes.replace(29, 4, bigEndian(crc32(bytes.mid(12, 17))));
    } else if (qstrcmp(format, "bmp") == 0) {
        bytes.replace(18, 8, QByteArray(8, '\0'));
        qToLittleEndian(width, bytes.data() + 18);
        qToLittleEndian(height, bytes.data() + 22);
    } else { // the JPEG frame header
        const qsizetype frame = bytes.indexOf(QByteArray("\xff\xc0", 2));
        bytes.replace(frame + 5, 4, bigEndian(quint16(height)) + bigEndian(quint16(width)));
    }
    return bytes;
}

// A 1 x 1 red GIF: Qt reads GIF but cannot write it.
const QByteArray TinyGif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
                         "\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b",
                         35);

std::function<QSize(QSize)> fixedSize(QSize size, QSize *asked = nullptr)
{
    return [size, asked](QSize natural) {
        if (asked)
            *asked = natural;
        return size;
    };
}

} // namespace

class TestPictureLoader : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QtPictureLoader m_loader;

    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_dir->filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void formatsLoad_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");

        // Sizes chosen so that the last read of a complete file falls in different places.
        for (const QSize size : {QSize(1, 1), QSize(7, 3), QSize(64, 48), QSize(333, 222), QSize(1024, 512)}) {
            const QImage picture = quadrants(size.width(), size.height());
            const QByteArray tag = QStringLiteral("%1x%2").arg(size.width()).arg(size.height()).toLatin1();
            for (const char *format : {"bmp", "jpg", "png", "webp", "tiff"}) {
                QTest::addRow("%s %s", format, tag.constData())
                    << encoded(picture, format, 95) << QStringLiteral("picture.%1").arg(QLatin1String(format)) << size;
            }
            QTest::addRow("progressive jpg %s", tag.constData()) << encoded(picture, "jpg", 95, true) << "picture.jpg" << size;
            QTest::addRow("8-bit bmp %s", tag.constData())
                << encoded(picture.convertToFormat(QImage::Format_Indexed8), "bmp") << "picture.bmp" << size;
            QTest::addRow("grey jpg %s", tag.constData())
                << encoded(picture.convertToFormat(QImage::Format_Grayscale8), "jpg", 95) << "grey.jpeg" << size;
        }
        QTest::newRow("gif") << TinyGif << "picture.gif" << QSize(1, 1);
        // Some cameras leave bytes after the end of the picture.
        const QImage picture = quadrants(64, 48);
        QTest::newRow("jpg with trailing bytes") << encoded(picture, "jpg", 95) + QByteArray(300, '\0') << "picture.jpg" << QSize(64, 48);
        // The content decides the format, not the name; nor does "@2x" make it a double-density picture.
        QTest::newRow("png named .jpg") << encoded(picture, "png") << "png-inside.jpg" << QSize(64, 48);
        QTest::newRow("bmp without suffix") << encoded(picture, "bmp") << "bitmap" << QSize(64, 48);
        QTest::newRow("@2x name") << encoded(picture, "png") << "icon@2x.png" << QSize(64, 48);
        // The desktop entry offers SVG drawings too.
        QTest::newRow("svg") << quadrantsSvg(64, 48) << "drawing.svg" << QSize(64, 48);
    }

    void formatsLoad()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QSize, size);

        const QString path = write(name, bytes);
        const DecodedPicture picture = m_loader.load(path, {});
        QVERIFY(picture.ok);
        QCOMPARE(picture.naturalSize, size);
        QCOMPARE(picture.image.size(), size);
        QCOMPARE(picture.image.devicePixelRatio(), 1.0);

        if (name.endsWith(QLatin1String(".gif")))
            QVERIFY(near(picture.image.pixel(0, 0), qRgb(255, 0, 0), 0));
        if (size.height() < 16) // too small for lossy formats to keep the quadrants apart
            return;
        QImage expected = quadrants(size.width(), size.height());
        if (name.startsWith(QLatin1String("grey")))
            expected = expected.convertToFormat(QImage::Format_Grayscale8);
        for (const QPoint at : {QPoint(size.width() / 4, size.height() / 4), QPoint(size.width() * 3 / 4, size.height() * 3 / 4)})
            QVERIFY2(near(picture.image.pixel(at), expected.pixel(at)), qPrintable(QStringLiteral("at %1,%2").arg(at.x()).arg(at.y())));
    }

    void exifOrientation_data()
    {
        QTest::addColumn<int>("orientation");
        for (int orientation = 1; orientation <= 8; ++orientation)
            QTest::addRow("orientation %d", orientation) << orientation;
    }

    void exifOrientation()
    {
        QFETCH(int, orientation);
        const QSize stored(128, 64);
        const QImage original = quadrants(stored.width(), stored.height());
        const QString path = write(QStringLiteral("oriented.jpg"), withExifOrientation(encoded(original, "jpg", 95), orientation));
        const QSize oriented = orientation >= 5 ? stored.transposed() : stored;

        QSize asked;
        const DecodedPicture full = m_loader.load(path, fixedSize(oriented, &asked));
        QVERIFY(full.ok);
        QCOMPARE(asked, oriented);
        QCOMPARE(full.naturalSize, oriented);
        QCOMPARE(full.image.size(), oriented);
        // Reduced decodes are oriented and sized like the full one.
        const DecodedPicture half = m_loader.load(path, fixedSize(oriented / 2));
        QVERIFY(half.ok);
        QCOMPARE(half.naturalSize, oriented);
        QCOMPARE(half.image.size(), oriented / 2);

        // Each quadrant shows the stored one the standard says, also in regions given in oriented coordinates.
        const QRect halves[] = {QRect(0, 0, oriented.width(), oriented.height() / 2),
                                QRect(0, 0, oriented.width() / 2, oriented.height())};
        for (int quadrant = 0; quadrant < 4; ++quadrant) {
            const QPoint at(oriented.width() * (2 * (quadrant % 2) + 1) / 4, oriented.height() * (2 * (quadrant / 2) + 1) / 4);
            const QRgb want = original.pixel(storedPixelOf(orientation, at, stored));
            const QByteArray where = QStringLiteral("at %1,%2").arg(at.x()).arg(at.y()).toLatin1();
            QVERIFY2(near(full.image.pixel(at), want), where.constData());
            QVERIFY2(near(half.image.pixel(at / 2), want), where.constData());
            for (const QRect &region : halves) {
                if (!region.contains(at))
                    continue;
                const QImage part = m_loader.loadRegion(path, region, region.size());
                QCOMPARE(part.size(), region.size());
                QVERIFY2(near(part.pixel(at - region.topLeft()), want), where.constData());
            }
        }
    }

    void reducedDecode_data()
    {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QSize>("target");
        QTest::addColumn<QSize>("decoded");

        // A 3000 x 2000 picture; turned ones are reduced in exifOrientation.
        QTest::newRow("jpeg reduced") << "jpg" << QSize(480, 320) << QSize(480, 320);
        QTest::newRow("jpeg stretched: only the smaller side reduced") << "jpg" << QSize(5000, 300) << QSize(3000, 300);
        QTest::newRow("jpeg larger target: full size") << "jpg" << QSize(6000, 4000) << QSize(3000, 2000);
        QTest::newRow("jpeg invalid target: full size") << "jpg" << QSize() << QSize(3000, 2000);
        QTest::newRow("jpeg drawn at no size") << "jpg" << QSize(0, 0) << QSize(1, 1);
        // Formats without reduced decoding keep only the reduced picture all the same.
        QTest::newRow("png reduced") << "png" << QSize(300, 200) << QSize(300, 200);
    }

    void reducedDecode()
    {
        QFETCH(QString, format);
        QFETCH(QSize, target);
        QFETCH(QSize, decoded);

        static QHash<QString, QByteArray> files;
        if (!files.contains(format))
            files.insert(format, encoded(smooth(3000, 2000), qPrintable(format), 90));
        QSize asked;
        const DecodedPicture picture = m_loader.load(write(QStringLiteral("big.") + format, files.value(format)), fixedSize(target, &asked));
        QVERIFY(picture.ok);
        QCOMPARE(asked, QSize(3000, 2000));
        QCOMPARE(picture.naturalSize, QSize(3000, 2000));
        QCOMPARE(picture.image.size(), decoded);
    }

    void notRegularFilesRefused_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char *kind : {"fifo", "link to /dev/zero", "/dev/null", "folder", "dangling link", "missing", "empty path"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void notRegularFilesRefused()
    {
        QFETCH(QString, kind);
        QString path = m_dir->filePath(QStringLiteral("thing.jpg"));
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QLatin1String("link to /dev/zero"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        else if (kind == QLatin1String("/dev/null"))
            path = kind;
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("thing.jpg")));
        else if (kind == QLatin1String("dangling link"))
            QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("gone.jpg")), path));
        else if (kind == QLatin1String("empty path"))
            path.clear();

        // A FIFO without a writer blocks, /dev/zero never ends: load aside so a fault fails instead of hanging.
        auto pending = std::async(std::launch::async, [this, path] {
            return std::pair{m_loader.load(path, {}), m_loader.loadRegion(path, QRect(0, 0, 1, 1), QSize(1, 1))};
        });
        if (pending.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
            if (kind == QLatin1String("fifo")) // let the blocked open go, then report it
                ::close(::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK));
            QFAIL("the loader opened a file that is not a regular file");
        }
        const auto [picture, region] = pending.get();
        QVERIFY(!picture.ok);
        QVERIFY(picture.image.isNull());
        QCOMPARE(picture.fileSize, qint64(-1));
        QVERIFY(!m_loader.isUnchanged(picture));
        QVERIFY(region.isNull());
    }

    void damagedFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("mustFail");

        const QImage picture = smooth(300, 200);
        const QByteArray jpeg = encoded(picture, "jpg", 90), progressive = encoded(picture, "jpg", 90, true);
        const QByteArray bmp = encoded(picture, "bmp"), png = encoded(picture, "png");
        QByteArray garbage(5000, '\0');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("garbage") << "noise.jpg" << garbage << true;
        QTest::newRow("jpeg header only") << "head.jpg" << jpeg.left(200) << true;
        QTest::newRow("jpeg without its last bytes") << "cut.jpg" << jpeg.left(jpeg.size() - 40) << true;
        QTest::newRow("progressive jpeg half") << "half.jpg" << progressive.left(progressive.size() / 2) << true;
        QTest::newRow("bmp without its last row") << "cut.bmp" << bmp.left(bmp.size() - 900) << true;
        QTest::newRow("png half") << "half.png" << png.left(png.size() / 2) << true;
        QTest::newRow("webp half") << "half.webp" << encoded(picture, "webp").left(200) << true;
        QTest::newRow("tiff half") << "half.tiff" << encoded(picture, "tiff").left(60000) << true;
        QTest::newRow("gif cut in its data") << "cut.gif" << TinyGif.left(29) << true;

        // Every format Qt writes and reads, cut or scribbled; some cannot tell, and may show what they read.
        const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
        int formats = 0;
        for (const QByteArray &format : QImageReader::supportedImageFormats()) {
            const QByteArray good = writable.contains(format) ? encoded(smooth(120, 90), format.constData()) : QByteArray();
            if (good.size() < 64)
                continue;
            ++formats;
            const QString name = QStringLiteral("damaged.") + QString::fromLatin1(format);
            QByteArray scribbled = good, badHeader = good;
            for (qsizetype i = good.size() / 3; i < good.size() * 2 / 3; ++i)
                scribbled[i] = char((i * 131 + 7) % 256);
            for (qsizetype i = 4; i < 40; ++i)
                badHeader[i] = char(0xff);
            const char *f = format.constData();
            QTest::addRow("%s empty", f) << name << QByteArray() << true;
            QTest::addRow("%s 16 bytes", f) << name << good.left(16) << false;
            QTest::addRow("%s a third", f) << name << good.left(good.size() / 3) << false;
            QTest::addRow("%s all but 10 bytes", f) << name << good.left(good.size() - 10) << false;
            QTest::addRow("%s scribbled middle", f) << name << scribbled << false;
            QTest::addRow("%s header of 0xff", f) << name << badHeader << false;
        }
        QVERIFY(formats >= 8);
    }

    void damagedFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, mustFail);

        // No crash, no hang; a picture, if any, is whole in size. Reduced decodes are no more forgiving.
        const QString path = write(name, bytes);
        QElapsedTimer clock;
        clock.start();
        DecodedPicture picture;
        for (const auto &sizing : {std::function<QSize(QSize)>(), fixedSize(QSize(30, 20))}) {
            picture = m_loader.load(path, sizing);
            if (mustFail)
                QVERIFY(!picture.ok);
            QCOMPARE(picture.image.isNull(), !picture.ok);
            if (picture.ok) {
                QVERIFY(!picture.naturalSize.isEmpty());
                QVERIFY(qint64(picture.naturalSize.width()) * picture.naturalSize.height() <= DecodeBudget::MaxPixels);
            }
        }
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
        // The file was there: its identity is known, so a prefetched failure can be trusted.
        if (mustFail) {
            QCOMPARE(picture.fileSize, qint64(bytes.size()));
            QVERIFY(m_loader.isUnchanged(picture));
        }
    }

    void hugeDeclaredSizeRefusedQuickly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("png 100000 x 100000") << "huge.png" << declaring("png", 100000, 100000);
        QTest::newRow("png just above the limit") << "huge.png" << declaring("png", 11000, 11000);
        QTest::newRow("bmp 100000 x 100000") << "huge.bmp" << declaring("bmp", 100000, 100000);
        QTest::newRow("jpeg 60000 x 60000") << "huge.jpg" << declaring("jpg", 60000, 60000);
    }

    void hugeDeclaredSizeRefusedQuickly()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        const QString path = write(name, bytes);
        QElapsedTimer timer;
        timer.start();
        // With and without a reduced size: a reduced decode would fit in memory and still take long.
        QVERIFY(!m_loader.load(path, {}).ok);
        QVERIFY(!m_loader.load(path, fixedSize(QSize(1920, 1080))).ok);
        QVERIFY(m_loader.loadRegion(path, QRect(0, 0, 100, 100), QSize(100, 100)).isNull());
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));
    }

    void hundredMegapixelPhotoLoads()
    {
        // Qt's own allocation limit would refuse this at full size.
        QString path;
        {
            QImage photo(10000, 10000, QImage::Format_RGB32);
            photo.fill(QColor(40, 90, 160));
            QPainter(&photo).fillRect(5000, 5000, 5000, 5000, QColor(230, 200, 40));
            path = write(QStringLiteral("hundred.jpg"), encoded(photo, "jpg", 80));
        }
        DecodedPicture picture = m_loader.load(path, {});
        QVERIFY(picture.ok);
        QCOMPARE(picture.image.size(), QSize(10000, 10000));
        QVERIFY(near(picture.image.pixel(9000, 9000), qRgb(230, 200, 40)));
        picture = {};
        // The region of it that a zoomed window shows, at screen size.
        const QImage part = m_loader.loadRegion(path, QRect(4000, 4000, 2000, 2000), QSize(1000, 1000));
        QCOMPARE(part.size(), QSize(1000, 1000));
        QVERIFY(near(part.pixel(100, 100), qRgb(40, 90, 160)));
        QVERIFY(near(part.pixel(900, 900), qRgb(230, 200, 40)));
    }

    void stampAndIsUnchanged()
    {
        const QString path = write(QStringLiteral("changing.png"), encoded(quadrants(40, 30), "png"));
        DecodedPicture picture = m_loader.load(path, {});
        QVERIFY(picture.ok);
        const QFileInfo info(path);
        QCOMPARE(picture.fileSize, info.size());
        QCOMPARE(picture.modifiedNs / 1'000'000, info.lastModified().toMSecsSinceEpoch());
        QVERIFY(m_loader.isUnchanged(picture));
        QVERIFY(!m_loader.isUnchanged(DecodedPicture()));

        // Same size, other time.
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(info.lastModified().addSecs(-60), QFileDevice::FileModificationTime));
        }
        QVERIFY(!m_loader.isUnchanged(picture));
        picture = m_loader.load(path, {});
        QVERIFY(m_loader.isUnchanged(picture));

        // Rewritten with other content.
        write(QStringLiteral("changing.png"), encoded(quadrants(80, 30), "png"));
        QVERIFY(!m_loader.isUnchanged(picture));
        picture = m_loader.load(path, {});
        QCOMPARE(picture.naturalSize, QSize(80, 30));
        QVERIFY(m_loader.isUnchanged(picture));

        // A link to the picture is followed: the identity is the target's.
        const QString link = m_dir->filePath(QStringLiteral("link.png"));
        QVERIFY(QFile::link(path, link));
        const DecodedPicture linked = m_loader.load(link, {});
        QVERIFY(linked.ok);
        QCOMPARE(linked.fileSize, QFileInfo(path).size());
        QVERIFY(m_loader.isUnchanged(linked));

        // Replaced by something that is not a file, then gone.
        QVERIFY(QFile::remove(path));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        QVERIFY(!m_loader.isUnchanged(picture));
        QVERIFY(QFile::remove(path));
        QVERIFY(!m_loader.isUnchanged(picture));
    }

    void loadRegionOfPngAndRefusals()
    {
        // A format read only whole: cut and scaled all the same, here enlarged.
        const QString path = write(QStringLiteral("region.png"), encoded(quadrants(40, 30), "png"));
        const QImage enlarged = m_loader.loadRegion(path, QRect(10, 10, 20, 20), QSize(200, 200));
        QCOMPARE(enlarged.size(), QSize(200, 200));
        QVERIFY(near(enlarged.pixel(20, 20), qRgb(220, 30, 30), 0));
        QVERIFY(near(enlarged.pixel(180, 20), qRgb(30, 200, 30), 0));
        QVERIFY(near(enlarged.pixel(180, 180), qRgb(240, 240, 240), 0));

        QVERIFY(!m_loader.loadRegion(path, QRect(0, 0, 40, 30), QSize(40, 30)).isNull());
        QVERIFY(m_loader.loadRegion(path, QRect(30, 20, 20, 20), QSize(20, 20)).isNull()); // beyond the picture
        QVERIFY(m_loader.loadRegion(path, QRect(0, 0, 0, 10), QSize(10, 10)).isNull());
        QVERIFY(m_loader.loadRegion(path, QRect(0, 0, 10, 10), QSize()).isNull());
        QVERIFY(m_loader.loadRegion(path, QRect(0, 0, 10, 10), QSize(20000, 20000)).isNull()); // absurd size
        QVERIFY(m_loader.loadRegion(m_dir->filePath(QStringLiteral("none.png")), QRect(0, 0, 1, 1), QSize(1, 1)).isNull());
    }

    void loadRegionInStrips_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QRect>("region");
        QTest::addColumn<QSize>("target");

        // Regions decoded in several strips, full and reduced, on odd boundaries up to the odd edges of 3001 x 2001.
        for (int orientation : {1, 3, 6, 7}) {
            const QSize natural = orientation >= 5 ? QSize(2001, 3001) : QSize(3001, 2001);
            QTest::addRow("orientation %d, odd part, slightly reduced", orientation)
                << orientation << QRect(301, 157, 1603, 1251) << QSize(1200, 937);
            QTest::addRow("orientation %d, to the far corner, halved", orientation)
                << orientation << QRect(QPoint(natural.width() - 1700, natural.height() - 1300), QSize(1700, 1300))
                << QSize(700, 520);
            QTest::addRow("orientation %d, enlarged", orientation) << orientation << QRect(999, 777, 300, 200) << QSize(900, 600);
        }
    }

    void loadRegionInStrips()
    {
        QFETCH(int, orientation);
        QFETCH(QRect, region);
        QFETCH(QSize, target);

        static const QByteArray jpeg = encoded(smooth(3001, 2001), "jpg", 95);
        const QString path = write(QStringLiteral("strips.jpg"), withExifOrientation(jpeg, orientation));
        const QImage full = m_loader.load(path, {}).image;
        QVERIFY(!full.isNull());
        const QImage expected = full.copy(region).scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage part = m_loader.loadRegion(path, region, target);
        QCOMPARE(part.size(), target);
        // Every pixel, so that a seam between strips or a part shifted by a pixel shows.
        for (int y = 0; y < target.height(); ++y) {
            for (int x = 0; x < target.width(); ++x) {
                if (!near(part.pixel(x, y), expected.pixel(x, y), 6))
                    QFAIL(qPrintable(QStringLiteral("off by more than 6 at %1,%2").arg(x).arg(y)));
            }
        }
    }

    // A decode nobody waits for any more gives up: stopped once the header is read (the size
    // is being asked for), no format goes on to produce a picture, and a region stops too.
    void stoppedDecodeGivesUp_data()
    {
        QTest::addColumn<QByteArray>("format");
        for (const char *format : {"jpg", "png", "bmp", "webp", "tiff"})
            QTest::newRow(format) << QByteArray(format);
    }

    void stoppedDecodeGivesUp()
    {
        QFETCH(QByteArray, format);
        const QString path = write(QStringLiteral("stopped.") + QString::fromLatin1(format), encoded(smooth(640, 480), format.constData()));
        std::stop_source stop;
        const DecodedPicture picture = m_loader.load(path, [&stop](QSize) {
            stop.request_stop();
            return QSize(320, 240);
        }, stop.get_token());
        QVERIFY(!picture.ok);
        QVERIFY(m_loader.loadRegion(path, QRect(0, 0, 64, 64), QSize(64, 64), stop.get_token()).isNull());
        // Nothing sticks to the file: the next decode without a stop succeeds.
        QVERIFY(m_loader.load(path, fixedSize(QSize(320, 240))).ok);
    }

    // A picture with a colour profile comes out in sRGB: whole, reduced, turned and in parts.
    // Display P3 (200, 60, 60) is sRGB (217, 42, 52); pure P3 red lies outside sRGB and clips.
    // A picture without a profile, or with sRGB's or its stand-in, comes out as stored.
    void coloursInSrgb_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QColorSpace>("space");
        QTest::addColumn<QColor>("stored");
        QTest::addColumn<QColor>("shown");

        const QColorSpace p3(QColorSpace::DisplayP3);
        const QColor reddish(200, 60, 60);
        for (const char *format : {"png", "jpg", "tiff", "webp"})
            QTest::addRow("Display P3 %s", format) << QByteArray(format) << 1 << p3 << reddish << QColor(217, 42, 52);
        QTest::newRow("Display P3 jpg, turned") << QByteArray("jpg") << 6 << p3 << reddish << QColor(217, 42, 52);
        QTest::newRow("Display P3 red") << QByteArray("png") << 1 << p3 << QColor(255, 0, 0) << QColor(255, 0, 0);
        QTest::newRow("Adobe RGB") << QByteArray("png") << 1 << QColorSpace(QColorSpace::AdobeRgb) << reddish
                                   << QColor(232, 57, 57);
        QTest::newRow("untagged png") << QByteArray("png") << 1 << QColorSpace() << reddish << reddish;
        QTest::newRow("untagged jpg") << QByteArray("jpg") << 1 << QColorSpace() << reddish << reddish;
        QTest::newRow("sRGB png") << QByteArray("png") << 1 << QColorSpace(QColorSpace::SRgb) << reddish << reddish;
        // sRGB's primaries with a 2.2 gamma stand for sRGB; converted, this would be (12, 2, 2).
        const QColor dark(20, 10, 10);
        QTest::newRow("sRGB stand-in png") << QByteArray("png") << 1 << QColorSpace(QColorSpace::Primaries::SRgb, 2.2f)
                                           << dark << dark;
    }
    void coloursInSrgb()
    {
        QFETCH(QByteArray, format);
        QFETCH(int, orientation);
        QFETCH(QColorSpace, space);
        QFETCH(QColor, stored);
        QFETCH(QColor, shown);

        QImage original = smooth(160, 120);
        QPainter(&original).fillRect(QRect(0, 0, 80, 60), stored);
        original.setColorSpace(space);
        QByteArray bytes = encoded(original, format.constData(), 100);
        if (orientation != 1)
            bytes = withExifOrientation(bytes, orientation);
        const QString path = write(QStringLiteral("colour.") + QLatin1String(format), bytes);
        // The flat corner, wherever the orientation puts it.
        const QRect corner = orientation == 6 ? QRect(60, 0, 60, 80) : QRect(0, 0, 80, 60);
        // Lossy formats keep a flat colour to within a few levels.
        const int tolerance = format == "png" || format == "tiff" ? 1 : 4;

        const DecodedPicture whole = m_loader.load(path, {});
        const DecodedPicture reduced = m_loader.load(path, fixedSize(whole.naturalSize / 2));
        const QImage part = m_loader.loadRegion(path, corner, corner.size() / 2);
        QVERIFY(whole.ok && reduced.ok && !part.isNull());
        QVERIFY2(near(whole.image.pixel(corner.center()), shown.rgb(), tolerance), "whole");
        QVERIFY2(near(reduced.image.pixel(corner.center() / 2), shown.rgb(), tolerance), "reduced");
        QVERIFY2(near(part.pixel(part.rect().center()), shown.rgb(), tolerance), "part");
        if (!space.isValid() && format == "png")
            QCOMPARE(whole.image, QImage(path).convertToFormat(whole.image.format()));
    }

    // Qt scales a 1-bit picture without its colour table: a one-colour picture reduced for the
    // preview came out as a black-and-white pattern.
    void oneBitPalettePicturesKeepTheirColour_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("png") << QByteArray("png");
        QTest::newRow("bmp") << QByteArray("bmp");
    }
    void oneBitPalettePicturesKeepTheirColour()
    {
        QFETCH(QByteArray, format);
        QImage original(640, 480, QImage::Format_Mono);
        original.setColorTable({qRgb(200, 30, 40), qRgb(255, 255, 255)});
        original.fill(0);
        const QString path = write(QStringLiteral("one.") + QLatin1String(format), encoded(original, format.constData()));
        const DecodedPicture reduced = m_loader.load(path, fixedSize(QSize(121, 97)));
        const QImage part = m_loader.loadRegion(path, QRect(100, 100, 400, 300), QSize(100, 75));
        QVERIFY(reduced.ok && !part.isNull());
        QCOMPARE(reduced.image.size(), QSize(121, 97));
        for (const QImage &image : {reduced.image, part}) {
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (image.pixel(x, y) != qRgb(200, 30, 40))
                        QFAIL(qPrintable(QStringLiteral("%1 at %2,%3").arg(image.pixel(x, y), 0, 16).arg(x).arg(y)));
                }
            }
        }
    }

    void loadsFromSeveralThreads()
    {
        std::vector<std::future<DecodedPicture>> loads;
        for (int i = 0; i < 6; ++i) {
            const char *format = i % 2 ? "jpg" : "png";
            const QString path = write(QStringLiteral("thread%1.%2").arg(i).arg(QLatin1String(format)), encoded(smooth(800 + i, 600), format));
            loads.push_back(std::async(std::launch::async, [this, path] { return m_loader.load(path, fixedSize(QSize(200, 150))); }));
        }
        for (std::size_t i = 0; i < loads.size(); ++i) {
            const DecodedPicture picture = loads[i].get();
            QVERIFY(picture.ok);
            QCOMPARE(picture.naturalSize, QSize(800 + int(i), 600));
            QCOMPARE(picture.image.size(), QSize(200, 150));
        }
    }
};

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"
