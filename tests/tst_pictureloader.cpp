#include "platform/QtPictureLoader.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <vector>

class TestPictureLoader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void formatsLoad_data();
    void formatsLoad();
    void nameDoesNotDecideFormat();
    void exifOrientation_data();
    void exifOrientation();
    void reducedDecode_data();
    void reducedDecode();
    void notRegularFilesRefused_data();
    void notRegularFilesRefused();
    void symlinkToPictureLoads();
    void brokenFilesFail_data();
    void brokenFilesFail();
    void everyFormatSurvivesDamage_data();
    void everyFormatSurvivesDamage();
    void hugeDeclaredSizeRefusedQuickly_data();
    void hugeDeclaredSizeRefusedQuickly();
    void hundredMegapixelPhotoLoads();
    void stampAndIsUnchanged();
    void loadRegionOfPng();
    void loadRegionInStrips_data();
    void loadRegionInStrips();
    void loadRegionRefusals();
    void loadsFromSeveralThreads();

private:
    QString write(const QString &name, const QByteArray &bytes);
    QByteArray encoded(const QImage &image, const char *format, int quality = -1, bool progressive = false);

    std::unique_ptr<QTemporaryDir> m_dir;
    QtPictureLoader m_loader;
};

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

QImage gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x * 255 / width, y * 255 / height, (x + y) % 256);
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

bool near(QRgb a, QRgb b, int tolerance = 40)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
           && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

QByteArray bigEndian16(int value)
{
    return QByteArray(1, char((value >> 8) & 0xff)) + char(value & 0xff);
}

QByteArray bigEndian32(quint32 value)
{
    return bigEndian16(int(value >> 16)) + bigEndian16(int(value & 0xffff));
}

// Puts an APP1 Exif segment holding only an orientation tag right after the JPEG's SOI.
QByteArray withExifOrientation(const QByteArray &jpeg, int orientation)
{
    QByteArray tiff("MM\0\x2a", 4);
    tiff += bigEndian32(8);                              // IFD0 follows the header
    tiff += bigEndian16(1);                              // one entry
    tiff += bigEndian16(0x0112) + bigEndian16(3);        // Orientation, SHORT
    tiff += bigEndian32(1) + bigEndian16(orientation) + bigEndian16(0);
    tiff += bigEndian32(0);                              // no next IFD
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    const QByteArray segment = QByteArray("\xff\xe1", 2) + bigEndian16(int(payload.size()) + 2) + payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

// Where stored pixel (x, y) of a width x height picture lands is fixed by the EXIF standard;
// this gives, for each oriented pixel, the stored pixel it shows.
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

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    return bigEndian32(quint32(data.size())) + type + data + bigEndian32(crc32(type + data));
}

// A valid PNG header declaring width x height, followed by a few bytes of picture data.
QByteArray pngDeclaring(quint32 width, quint32 height)
{
    QByteArray header = bigEndian32(width) + bigEndian32(height);
    header += QByteArray("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    const QByteArray data = qCompress(QByteArray(64, '\0')).mid(4); // zlib stream
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", data)
           + pngChunk("IEND", {});
}

QByteArray littleEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char((value >> (8 * i)) & 0xff);
    return bytes;
}

// A BMP header declaring width x height at 24 bits, with almost no pixel data.
QByteArray bmpDeclaring(quint32 width, quint32 height)
{
    QByteArray bytes("BM");
    bytes += littleEndian32(54 + 64) + littleEndian32(0) + littleEndian32(54);
    bytes += littleEndian32(40) + littleEndian32(width) + littleEndian32(height);
    bytes += QByteArray("\x01\x00\x18\x00", 4) + littleEndian32(0) + littleEndian32(0);
    bytes += littleEndian32(2835) + littleEndian32(2835) + littleEndian32(0) + littleEndian32(0);
    return bytes + QByteArray(64, '\x7f');
}

// The same JPEG with other dimensions written into its frame header.
QByteArray jpegDeclaring(QByteArray jpeg, int width, int height)
{
    const qsizetype frame = jpeg.indexOf(QByteArray("\xff\xc0", 2));
    if (frame < 0)
        return {};
    jpeg.replace(frame + 5, 2, bigEndian16(height));
    jpeg.replace(frame + 7, 2, bigEndian16(width));
    return jpeg;
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

QString TestPictureLoader::write(const QString &name, const QByteArray &bytes)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

QByteArray TestPictureLoader::encoded(const QImage &image, const char *format, int quality, bool progressive)
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

void TestPictureLoader::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestPictureLoader::formatsLoad_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");

    // Sizes chosen so that the last read of a complete file falls in different places.
    for (const QSize size : {QSize(1, 1), QSize(7, 3), QSize(64, 48), QSize(333, 222), QSize(1024, 512)}) {
        const QImage picture = quadrants(size.width(), size.height());
        const QString tag = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        for (const char *format : {"bmp", "jpg", "png", "webp", "tiff"}) {
            QTest::addRow("%s %s", format, qPrintable(tag))
                << encoded(picture, format, 95) << QStringLiteral("picture.%1").arg(QLatin1String(format)) << size;
        }
        QTest::addRow("progressive jpg %s", qPrintable(tag))
            << encoded(picture, "jpg", 95, true) << QStringLiteral("picture.jpg") << size;
        QTest::addRow("8-bit bmp %s", qPrintable(tag))
            << encoded(picture.convertToFormat(QImage::Format_Indexed8), "bmp")
            << QStringLiteral("picture.bmp") << size;
        QTest::addRow("grey jpg %s", qPrintable(tag))
            << encoded(picture.convertToFormat(QImage::Format_Grayscale8), "jpg", 95)
            << QStringLiteral("grey.jpeg") << size;
    }
    QTest::newRow("gif") << TinyGif << QStringLiteral("picture.gif") << QSize(1, 1);
    // Some cameras leave bytes after the end of the picture.
    QTest::newRow("jpg with trailing bytes") << encoded(quadrants(64, 48), "jpg", 95) + QByteArray(300, '\0')
                                             << QStringLiteral("picture.jpg") << QSize(64, 48);
}

void TestPictureLoader::formatsLoad()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, name);
    QFETCH(QSize, size);

    const QString path = write(name, bytes);
    const DecodedPicture picture = m_loader.load(path, {});
    QVERIFY(picture.ok);
    QCOMPARE(picture.path, path);
    QCOMPARE(picture.naturalSize, size);
    QCOMPARE(picture.image.size(), size);
    QVERIFY(!picture.isReduced());
    QCOMPARE(picture.image.devicePixelRatio(), 1.0);

    const QImage expected = name.startsWith(QLatin1String("grey"))
                                ? quadrants(size.width(), size.height()).convertToFormat(QImage::Format_Grayscale8)
                                : (name.endsWith(QLatin1String(".gif")) ? QImage() : quadrants(size.width(), size.height()));
    if (expected.isNull()) {
        QVERIFY(near(picture.image.pixel(0, 0), qRgb(255, 0, 0), 0));
        return;
    }
    if (size.height() < 16) // too small for lossy formats to keep the quadrants apart
        return;
    for (const QPoint at : {QPoint(size.width() / 4, size.height() / 4), QPoint(size.width() * 3 / 4, size.height() * 3 / 4)})
        QVERIFY2(near(picture.image.pixel(at), expected.pixel(at)), qPrintable(QStringLiteral("at %1,%2").arg(at.x()).arg(at.y())));
}

void TestPictureLoader::nameDoesNotDecideFormat()
{
    // A PNG named .jpg, a JPEG named .png and a BMP without a suffix are read for what they are.
    const QImage picture = quadrants(40, 30);
    // Nor is a name ending in "@2x" taken to mean a picture for a screen of twice the density,
    // which would draw it at half its size.
    for (const auto &[name, format] : {std::pair{"png-inside.jpg", "png"}, std::pair{"jpeg-inside.png", "jpg"},
                                       std::pair{"bitmap", "bmp"}, std::pair{"icon@2x.png", "png"}}) {
        const DecodedPicture loaded = m_loader.load(write(QLatin1String(name), encoded(picture, format, 95)), {});
        QVERIFY2(loaded.ok, name);
        QCOMPARE(loaded.naturalSize, QSize(40, 30));
        QCOMPARE(loaded.image.devicePixelRatio(), 1.0);
    }
}

void TestPictureLoader::exifOrientation_data()
{
    QTest::addColumn<int>("orientation");
    for (int orientation = 1; orientation <= 8; ++orientation)
        QTest::addRow("orientation %d", orientation) << orientation;
}

void TestPictureLoader::exifOrientation()
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

    // Each quadrant of the oriented picture shows the stored quadrant the standard says.
    const QRect halves[] = {QRect(0, 0, oriented.width(), oriented.height() / 2),
                            QRect(0, 0, oriented.width() / 2, oriented.height())};
    for (int qy = 0; qy < 2; ++qy) {
        for (int qx = 0; qx < 2; ++qx) {
            const QPoint at(oriented.width() * (2 * qx + 1) / 4, oriented.height() * (2 * qy + 1) / 4);
            const QRgb want = original.pixel(storedPixelOf(orientation, at, stored));
            QVERIFY2(near(full.image.pixel(at), want), qPrintable(QStringLiteral("full at %1,%2").arg(at.x()).arg(at.y())));
            QVERIFY(near(half.image.pixel(at / 2), want));
            // Regions given in oriented coordinates come out of the right part of the file.
            for (const QRect &region : halves) {
                if (!region.contains(at))
                    continue;
                const QImage part = m_loader.loadRegion(path, region, region.size());
                QCOMPARE(part.size(), region.size());
                QVERIFY2(near(part.pixel(at - region.topLeft()), want), qPrintable(QStringLiteral("region at %1,%2").arg(at.x()).arg(at.y())));
            }
        }
    }
}

void TestPictureLoader::reducedDecode_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("target");
    QTest::addColumn<QSize>("natural");
    QTest::addColumn<QSize>("decoded");

    const QSize wide(3000, 2000), tall(2000, 3000);
    QTest::newRow("jpeg reduced") << "jpg" << 1 << QSize(480, 320) << wide << QSize(480, 320);
    QTest::newRow("jpeg turned, reduced in its turned shape") << "jpg" << 6 << QSize(320, 480) << tall << QSize(320, 480);
    QTest::newRow("jpeg turned the other way") << "jpg" << 8 << QSize(100, 150) << tall << QSize(100, 150);
    QTest::newRow("jpeg stretched: only the smaller side reduced") << "jpg" << 1 << QSize(5000, 300) << wide
                                                                   << QSize(3000, 300);
    QTest::newRow("jpeg larger target: full size") << "jpg" << 1 << QSize(6000, 4000) << wide << wide;
    QTest::newRow("jpeg actual size") << "jpg" << 1 << wide << wide << wide;
    QTest::newRow("jpeg invalid target: full size") << "jpg" << 1 << QSize() << wide << wide;
    QTest::newRow("jpeg drawn at no size") << "jpg" << 1 << QSize(0, 0) << wide << QSize(1, 1);
    // Formats without reduced decoding keep only the reduced picture all the same.
    QTest::newRow("png reduced") << "png" << 1 << QSize(300, 200) << wide << QSize(300, 200);
}

void TestPictureLoader::reducedDecode()
{
    QFETCH(QString, format);
    QFETCH(int, orientation);
    QFETCH(QSize, target);
    QFETCH(QSize, natural);
    QFETCH(QSize, decoded);

    static QHash<QString, QByteArray> files;
    const QString key = format + QString::number(orientation);
    if (!files.contains(key)) {
        QByteArray bytes = encoded(gradient(3000, 2000), qPrintable(format), 90);
        files.insert(key, orientation == 1 ? bytes : withExifOrientation(bytes, orientation));
    }
    const QString path = write(QStringLiteral("big.") + format, files.value(key));

    QSize asked;
    const DecodedPicture picture = m_loader.load(path, fixedSize(target, &asked));
    QVERIFY(picture.ok);
    QCOMPARE(asked, natural);
    QCOMPARE(picture.naturalSize, natural);
    QCOMPARE(picture.image.size(), decoded);
    QCOMPARE(picture.isReduced(), decoded != natural);
}

void TestPictureLoader::notRegularFilesRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("fifo") << "fifo";
    QTest::newRow("link to /dev/zero") << "zero";
    QTest::newRow("/dev/null") << "null";
    QTest::newRow("folder") << "folder";
    QTest::newRow("dangling link") << "dangling";
    QTest::newRow("missing") << "missing";
    QTest::newRow("empty path") << "empty";
}

void TestPictureLoader::notRegularFilesRefused()
{
    QFETCH(QString, kind);

    QString path = m_dir->filePath(QStringLiteral("thing.jpg"));
    if (kind == QLatin1String("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind == QLatin1String("zero"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    else if (kind == QLatin1String("null"))
        path = QStringLiteral("/dev/null");
    else if (kind == QLatin1String("folder"))
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("thing.jpg")));
    else if (kind == QLatin1String("dangling"))
        QVERIFY(QFile::link(m_dir->filePath(QStringLiteral("gone.jpg")), path));
    else if (kind == QLatin1String("empty"))
        path.clear();

    // Opening a FIFO without a writer would block, reading /dev/zero would never end: run the
    // load aside so that a fault fails the test instead of hanging it.
    auto pending = std::async(std::launch::async, [this, path] {
        DecodedPicture picture = m_loader.load(path, {});
        QImage region = m_loader.loadRegion(path, QRect(0, 0, 1, 1), QSize(1, 1));
        return std::pair{picture, region};
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

void TestPictureLoader::symlinkToPictureLoads()
{
    const QString target = write(QStringLiteral("real.png"), encoded(quadrants(20, 10), "png"));
    const QString link = m_dir->filePath(QStringLiteral("link.png"));
    QVERIFY(QFile::link(target, link));
    const DecodedPicture picture = m_loader.load(link, {});
    QVERIFY(picture.ok);
    QCOMPARE(picture.fileSize, QFileInfo(target).size());
    QVERIFY(m_loader.isUnchanged(picture));
}

void TestPictureLoader::brokenFilesFail_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");

    const QImage picture = gradient(300, 200);
    const QByteArray jpeg = encoded(picture, "jpg", 90);
    const QByteArray progressive = encoded(picture, "jpg", 90, true);
    const QByteArray bmp = encoded(picture, "bmp");
    const QByteArray png = encoded(picture, "png");
    QByteArray garbage(5000, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919 + 13) % 251);

    QTest::newRow("empty") << "empty.jpg" << QByteArray();
    QTest::newRow("garbage") << "noise.jpg" << garbage;
    QTest::newRow("text") << "notes.jpg" << QByteArray("Not a picture at all.\n");
    QTest::newRow("jpeg header only") << "head.jpg" << jpeg.left(200);
    QTest::newRow("jpeg half") << "half.jpg" << jpeg.left(jpeg.size() / 2);
    QTest::newRow("jpeg without its last bytes") << "cut.jpg" << jpeg.left(jpeg.size() - 40);
    QTest::newRow("progressive jpeg half") << "half.jpg" << progressive.left(progressive.size() / 2);
    QTest::newRow("bmp half") << "half.bmp" << bmp.left(bmp.size() / 2);
    QTest::newRow("bmp without its last row") << "cut.bmp" << bmp.left(bmp.size() - 900);
    QTest::newRow("png half") << "half.png" << png.left(png.size() / 2);
    QTest::newRow("webp half") << "half.webp" << encoded(picture, "webp").left(200);
    QTest::newRow("tiff half") << "half.tiff" << encoded(picture, "tiff").left(60000);
    QTest::newRow("gif cut in its data") << "cut.gif" << TinyGif.left(29);
}

void TestPictureLoader::brokenFilesFail()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);

    const QString path = write(name, bytes);
    QSize asked;
    DecodedPicture picture = m_loader.load(path, {});
    QVERIFY(!picture.ok);
    QVERIFY(picture.image.isNull());
    // Reduced decodes are no more forgiving.
    picture = m_loader.load(path, fixedSize(QSize(30, 20), &asked));
    QVERIFY(!picture.ok);
    // The file was there: its identity is known, so a prefetched failure can be trusted.
    QCOMPARE(picture.fileSize, qint64(bytes.size()));
    QVERIFY(m_loader.isUnchanged(picture));
}

void TestPictureLoader::everyFormatSurvivesDamage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");

    // Every format this Qt both writes and reads, so that a good file can be damaged: cut
    // short at several places, or with its middle overwritten.
    const QImage picture = gradient(120, 90);
    const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
    int formats = 0;
    for (const QByteArray &format : QImageReader::supportedImageFormats()) {
        if (!writable.contains(format))
            continue;
        const QByteArray good = encoded(picture, format.constData());
        if (good.size() < 64)
            continue;
        ++formats;
        const QString name = QStringLiteral("damaged.") + QString::fromLatin1(format);
        QByteArray scribbled = good;
        for (qsizetype i = good.size() / 3; i < good.size() * 2 / 3; ++i)
            scribbled[i] = char((i * 131 + 7) % 256);
        QByteArray badHeader = good;
        for (qsizetype i = 4; i < qMin<qsizetype>(good.size(), 40); ++i)
            badHeader[i] = char(0xff);
        QTest::addRow("%s empty", format.constData()) << name << QByteArray();
        QTest::addRow("%s 16 bytes", format.constData()) << name << good.left(16);
        QTest::addRow("%s a third", format.constData()) << name << good.left(good.size() / 3);
        QTest::addRow("%s all but 10 bytes", format.constData()) << name << good.left(good.size() - 10);
        QTest::addRow("%s scribbled middle", format.constData()) << name << scribbled;
        QTest::addRow("%s header of 0xff", format.constData()) << name << badHeader;
    }
    QVERIFY(formats >= 8);
}

void TestPictureLoader::everyFormatSurvivesDamage()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);

    // No crash, no hang; a picture, if any, is whole in size. Some formats cannot tell a
    // damaged file from a good one and show what they read: that is their right.
    const QString path = write(name, bytes);
    QElapsedTimer clock;
    clock.start();
    for (const auto &sizing : {std::function<QSize(QSize)>(), fixedSize(QSize(30, 20))}) {
        const DecodedPicture picture = m_loader.load(path, sizing);
        if (bytes.isEmpty())
            QVERIFY(!picture.ok);
        if (picture.ok) {
            QVERIFY(!picture.image.isNull());
            QVERIFY(!picture.naturalSize.isEmpty());
            QVERIFY(qint64(picture.naturalSize.width()) * picture.naturalSize.height() <= QtPictureLoader::MaxPixels);
        } else {
            QVERIFY(picture.image.isNull());
        }
    }
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
}

void TestPictureLoader::hugeDeclaredSizeRefusedQuickly_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("png 100000 x 100000") << "huge.png" << pngDeclaring(100000, 100000);
    QTest::newRow("png just above the limit") << "huge.png" << pngDeclaring(11000, 11000);
    QTest::newRow("bmp 100000 x 100000") << "huge.bmp" << bmpDeclaring(100000, 100000);
    QTest::newRow("jpeg 60000 x 60000") << "huge.jpg" << jpegDeclaring(encoded(gradient(64, 64), "jpg"), 60000, 60000);
}

void TestPictureLoader::hugeDeclaredSizeRefusedQuickly()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QVERIFY(!bytes.isEmpty());

    const QString path = write(name, bytes);
    QElapsedTimer timer;
    timer.start();
    // With and without a reduced size: a reduced decode would fit in memory and still take long.
    QVERIFY(!m_loader.load(path, {}).ok);
    QVERIFY(!m_loader.load(path, fixedSize(QSize(1920, 1080))).ok);
    QVERIFY(m_loader.loadRegion(path, QRect(0, 0, 100, 100), QSize(100, 100)).isNull());
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));
}

void TestPictureLoader::hundredMegapixelPhotoLoads()
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

void TestPictureLoader::stampAndIsUnchanged()
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

    // Replaced by something that is not a file, then gone.
    QVERIFY(QFile::remove(path));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    QVERIFY(!m_loader.isUnchanged(picture));
    QVERIFY(QFile::remove(path));
    QVERIFY(!m_loader.isUnchanged(picture));
}

void TestPictureLoader::loadRegionOfPng()
{
    // A format read only whole: cut and scaled all the same, here enlarged.
    const QString png = write(QStringLiteral("region.png"), encoded(quadrants(40, 40), "png"));
    const QImage enlarged = m_loader.loadRegion(png, QRect(10, 10, 20, 20), QSize(200, 200));
    QCOMPARE(enlarged.size(), QSize(200, 200));
    QVERIFY(near(enlarged.pixel(20, 20), qRgb(220, 30, 30), 0));
    QVERIFY(near(enlarged.pixel(180, 20), qRgb(30, 200, 30), 0));
    QVERIFY(near(enlarged.pixel(180, 180), qRgb(240, 240, 240), 0));
}

void TestPictureLoader::loadRegionInStrips_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QRect>("region");
    QTest::addColumn<QSize>("target");

    // Regions large enough to be decoded in several strips, at full and at reduced resolution,
    // on odd boundaries and up to the odd edges of a 3001 x 2001 picture.
    for (int orientation : {1, 3, 6, 7}) {
        const QSize natural = orientation >= 5 ? QSize(2001, 3001) : QSize(3001, 2001);
        QTest::addRow("orientation %d, odd part, slightly reduced", orientation)
            << orientation << QRect(301, 157, 1603, 1251) << QSize(1200, 937);
        QTest::addRow("orientation %d, to the far corner, halved", orientation)
            << orientation << QRect(QPoint(natural.width() - 1700, natural.height() - 1300), QSize(1700, 1300))
            << QSize(700, 520);
        QTest::addRow("orientation %d, enlarged", orientation)
            << orientation << QRect(999, 777, 300, 200) << QSize(900, 600);
    }
}

void TestPictureLoader::loadRegionInStrips()
{
    QFETCH(int, orientation);
    QFETCH(QRect, region);
    QFETCH(QSize, target);

    static QByteArray jpeg;
    if (jpeg.isEmpty())
        jpeg = encoded(smooth(3001, 2001), "jpg", 95);
    const QString path = write(QStringLiteral("strips.jpg"), withExifOrientation(jpeg, orientation));
    const QImage full = m_loader.load(path, {}).image;
    QVERIFY(!full.isNull());
    const QImage expected = full.copy(region).scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    const QImage part = m_loader.loadRegion(path, region, target);
    QCOMPARE(part.size(), target);
    // Every pixel, so that a seam between strips or a part shifted by a pixel shows.
    int worst = 0;
    QPoint worstAt;
    for (int y = 0; y < target.height(); ++y) {
        for (int x = 0; x < target.width(); ++x) {
            const QRgb a = part.pixel(x, y), b = expected.pixel(x, y);
            const int difference = qMax(qMax(qAbs(qRed(a) - qRed(b)), qAbs(qGreen(a) - qGreen(b))), qAbs(qBlue(a) - qBlue(b)));
            if (difference > worst) {
                worst = difference;
                worstAt = QPoint(x, y);
            }
        }
    }
    QVERIFY2(worst <= 6, qPrintable(QStringLiteral("off by %1 at %2,%3").arg(worst).arg(worstAt.x()).arg(worstAt.y())));
}

void TestPictureLoader::loadRegionRefusals()
{
    const QString path = write(QStringLiteral("small.png"), encoded(quadrants(40, 30), "png"));
    QVERIFY(!m_loader.loadRegion(path, QRect(0, 0, 40, 30), QSize(40, 30)).isNull());
    QVERIFY(m_loader.loadRegion(path, QRect(30, 20, 20, 20), QSize(20, 20)).isNull()); // beyond the picture
    QVERIFY(m_loader.loadRegion(path, QRect(0, 0, 0, 10), QSize(10, 10)).isNull());
    QVERIFY(m_loader.loadRegion(path, QRect(0, 0, 10, 10), QSize()).isNull());
    QVERIFY(m_loader.loadRegion(path, QRect(0, 0, 10, 10), QSize(20000, 20000)).isNull()); // absurd size
    QVERIFY(m_loader.loadRegion(m_dir->filePath(QStringLiteral("none.png")), QRect(0, 0, 1, 1), QSize(1, 1)).isNull());
}

void TestPictureLoader::loadsFromSeveralThreads()
{
    std::vector<QString> paths;
    for (int i = 0; i < 6; ++i) {
        paths.push_back(write(QStringLiteral("thread%1.%2").arg(i).arg(i % 2 ? QStringLiteral("jpg") : QStringLiteral("png")),
                              encoded(gradient(800 + i, 600), i % 2 ? "jpg" : "png")));
    }
    std::vector<std::future<DecodedPicture>> loads;
    for (const QString &path : paths) {
        loads.push_back(std::async(std::launch::async, [this, path] {
            return m_loader.load(path, fixedSize(QSize(200, 150)));
        }));
    }
    for (std::size_t i = 0; i < loads.size(); ++i) {
        const DecodedPicture picture = loads[i].get();
        QVERIFY(picture.ok);
        QCOMPARE(picture.naturalSize, QSize(800 + int(i), 600));
        QCOMPARE(picture.image.size(), QSize(200, 150));
    }
}

QTEST_MAIN(TestPictureLoader)
#include "tst_pictureloader.moc"
