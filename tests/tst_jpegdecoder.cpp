// The JPEG decoder gives exactly the size asked for with the pixels Qt's own decode gives, in
// every colour model and scan layout; reads the EXIF orientation safely; keeps the colour
// profile; refuses what would break the decoding budget before decoding it; and gives up once
// stopped even while its reads still succeed.
#include "JpegSamples.h"

#include "platform/AreaDownscaler.h"
#include "platform/ExifOrientation.h"
#include "platform/JpegDecoder.h"
#include "platform/QtPictureLoader.h"

#include <QBuffer>
#include <QColorSpace>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

using Colour = JpegSamples::Colour;

// Gradients with flat blocks on them: smooth areas and sharp edges.
QImage scene(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool block = (x / 97 + y / 71) % 5 == 0;
            image.setPixel(x, y, block ? qRgb(230, 60, 40) : qRgb(30 + x * 190 / width, 30 + y * 190 / height, 120));
        }
    }
    return image;
}

// Every pixel of `actual` within `tolerance` of `expected` and on average within `mean`; and a
// 32-bit picture opaque, as Format_RGB32 promises.
void compareImages(const QImage &actual, const QImage &expected, int tolerance, double mean)
{
    QCOMPARE(actual.size(), expected.size());
    if (actual.format() == QImage::Format_RGB32) {
        for (int y = 0; y < actual.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(actual.constScanLine(y));
            for (int x = 0; x < actual.width(); ++x) {
                if (qAlpha(line[x]) != 255)
                    QFAIL(qPrintable(QStringLiteral("alpha at %1,%2").arg(x).arg(y)));
            }
        }
    }
    qint64 total = 0;
    for (int y = 0; y < actual.height(); ++y) {
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            const int off = qMax(qAbs(qRed(a) - qRed(e)), qMax(qAbs(qGreen(a) - qGreen(e)), qAbs(qBlue(a) - qBlue(e))));
            if (off > tolerance)
                QFAIL(qPrintable(QStringLiteral("off by %1 at %2,%3").arg(off).arg(x).arg(y)));
            total += off;
        }
    }
    const double average = double(total) / (qint64(actual.width()) * actual.height());
    QVERIFY2(average <= mean, qPrintable(QStringLiteral("off by %1 on average").arg(average)));
}

QImage decoded(const QByteArray &jpeg, const QSize &size = {})
{
    QBuffer buffer;
    buffer.setData(jpeg);
    buffer.open(QIODevice::ReadOnly);
    JpegDecoder decoder(&buffer);
    return decoder.readHeader() ? decoder.read(size) : QImage();
}

// The APP1 content of an EXIF block whose first IFD holds `entries` entries, the last one
// the orientation tag of `type`; IFD0 starts at `ifdOffset`.
QByteArray exifBlock(bool bigEndian, quint16 type, quint32 value, quint16 entries = 1, quint32 ifdOffset = 8)
{
    QByteArray tiff(bigEndian ? "MM" : "II");
    const auto put = [&](auto number) {
        QByteArray bytes(sizeof number, '\0');
        bigEndian ? qToBigEndian(number, bytes.data()) : qToLittleEndian(number, bytes.data());
        tiff += bytes;
    };
    put(quint16(42));
    put(ifdOffset);
    if (ifdOffset < 1024)
        tiff += QByteArray(ifdOffset - 8, '\0');
    put(entries);
    for (int i = 1; i < entries; ++i) // other tags before it
        tiff += QByteArray(12, '\x01');
    put(quint16(0x0112));
    put(type);
    put(quint32(1));
    if (type == 3) {
        put(quint16(value));
        put(quint16(0));
    } else {
        put(value);
    }
    return QByteArray("Exif\0\0", 6) + tiff;
}

// A device that asks its reader to stop once a read reaches the end of its data, yet goes on
// serving reads: the decoder must give up by its own checks, not by a failed read.
class StoppingBuffer final : public QBuffer
{
public:
    std::stop_source stop;
    bool armed = false;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (armed && pos() + maxSize >= size())
            stop.request_stop();
        return QBuffer::readData(data, maxSize);
    }
};

} // namespace

class TestJpegDecoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scaledDecodesMatchQt_data()
    {
        QTest::addColumn<int>("colour");
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<QSize>("target");

        // A 997 x 661 picture: odd sizes that no eighth divides.
        const std::pair<const char *, QSize> targets[] = {{"full size", QSize(997, 661)},
                                                          {"slightly smaller", QSize(900, 597)},
                                                          {"three eighths", QSize(360, 240)},
                                                          {"below an eighth", QSize(97, 64)},
                                                          {"stretched", QSize(997, 100)}};
        for (const auto &[colour, name] : {std::pair{Colour::YCbCr420, "4:2:0"}, {Colour::YCbCr444, "4:4:4"}, {Colour::Grey, "grey"}}) {
            for (const bool progressive : {false, true}) {
                for (const auto &[what, target] : targets) {
                    QTest::addRow("%s%s, %s", progressive ? "progressive " : "", name, what)
                        << int(colour) << progressive << target;
                }
            }
        }
    }

    void scaledDecodesMatchQt()
    {
        QFETCH(int, colour);
        QFETCH(bool, progressive);
        QFETCH(QSize, target);

        const QByteArray jpeg = JpegSamples::encode(scene(997, 661), Colour(colour), progressive);
        const QImage image = decoded(jpeg, target);
        QVERIFY(!image.isNull());
        QImage expected = QImage::fromData(jpeg, "jpeg");
        if (target != expected.size())
            expected = expected.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // The same decode at full size; decoded whole, then reduced, the two reductions round
        // apart; reduced in the decoder, sharp edges come out a little differently.
        const bool decodedWhole = target.width() * 8 > 997 * 7 || target.height() * 8 > 661 * 7;
        const int tolerance = target == QSize(997, 661) ? 0 : decodedWhole ? 8 : 64;
        compareImages(image, expected, tolerance, decodedWhole ? 1.0 : 3.0);
    }

    // Each target pixel is the mean of the source area it covers: on a ramp, the ramp's value
    // at the area's middle, whatever the ratio, across and down, grey and colour.
    void downscalerAveragesAreas_data()
    {
        QTest::addColumn<QSize>("source");
        QTest::addColumn<QSize>("target");
        QTest::newRow("slightly") << QSize(241, 233) << QSize(217, 200);
        QTest::newRow("by thirds") << QSize(240, 90) << QSize(80, 30);
        QTest::newRow("far, unevenly") << QSize(251, 255) << QSize(13, 7);
        QTest::newRow("one way only") << QSize(200, 200) << QSize(200, 3);
    }

    void downscalerAveragesAreas()
    {
        QFETCH(QSize, source);
        QFETCH(QSize, target);
        for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_Grayscale8}) {
            QImage ramps(source, format);
            for (int y = 0; y < source.height(); ++y) {
                for (int x = 0; x < source.width(); ++x)
                    ramps.setPixel(x, y, format == QImage::Format_Grayscale8 ? qRgb(x, x, x) : qRgb(x, y, 200));
            }
            QImage reduced(target, format);
            AreaDownscaler downscaler(source, reduced);
            for (int y = 0; y < source.height(); ++y)
                downscaler.addRow(ramps.constScanLine(y));
            const auto middle = [](int at, int from, int to) { return (at + 0.5) * from / to - 0.5; };
            for (int y = 0; y < target.height(); ++y) {
                for (int x = 0; x < target.width(); ++x) {
                    const QRgb pixel = reduced.pixel(x, y);
                    QVERIFY(qAbs(qRed(pixel) - middle(x, source.width(), target.width())) <= 0.6);
                    if (format == QImage::Format_RGB32) {
                        QVERIFY(qAbs(qGreen(pixel) - middle(y, source.height(), target.height())) <= 0.6);
                        QCOMPARE(qBlue(pixel), 200);
                        QCOMPARE(qAlpha(reinterpret_cast<const QRgb *>(reduced.constScanLine(y))[x]), 255);
                    }
                }
            }
        }
    }

    void cmykShownAsPrinted_data()
    {
        QTest::addColumn<int>("colour");
        QTest::newRow("Adobe CMYK (inverted)") << int(Colour::AdobeCmyk);
        QTest::newRow("Adobe YCCK") << int(Colour::AdobeYcck);
        QTest::newRow("CMYK without Adobe's marker") << int(Colour::PlainCmyk);
    }

    void cmykShownAsPrinted()
    {
        QFETCH(int, colour);
        const QImage original = scene(333, 222);
        const QByteArray jpeg = JpegSamples::encode(original, JpegSamples::Options{Colour(colour), false, 95, {}});
        // Sharp edges blur, more so where the inks are subsampled; inverted inks would be off everywhere.
        compareImages(decoded(jpeg), original, 96, 2.0);
        compareImages(decoded(jpeg, QSize(111, 74)), original.scaled(111, 74, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), 96, 3.0);
        // Qt's reader takes every CMYK file for Adobe's, rightly so for those.
        if (Colour(colour) != Colour::PlainCmyk)
            compareImages(decoded(jpeg), QImage::fromData(jpeg, "jpeg"), 1, 1.0);
    }

    void exifOrientationRead_data()
    {
        QTest::addColumn<QByteArray>("app1");
        QTest::addColumn<int>("transformation");
        using T = QImageIOHandler;
        QTest::newRow("big-endian SHORT 6") << exifBlock(true, 3, 6) << int(T::TransformationRotate90);
        QTest::newRow("little-endian SHORT 8") << exifBlock(false, 3, 8) << int(T::TransformationRotate270);
        QTest::newRow("little-endian LONG 5") << exifBlock(false, 4, 5) << int(T::TransformationFlipAndRotate90);
        QTest::newRow("after other tags, IFD further on") << exifBlock(true, 3, 2, 4, 40) << int(T::TransformationMirror);
        QTest::newRow("orientation 9") << exifBlock(true, 3, 9) << int(T::TransformationNone);
        QTest::newRow("of another type") << exifBlock(true, 7, 6) << int(T::TransformationNone);
        QTest::newRow("IFD beyond the data") << exifBlock(true, 3, 6, 1, 0xfffffff0) << int(T::TransformationNone);
        QTest::newRow("more entries than data") << exifBlock(false, 3, 6, 0xffff).left(40) << int(T::TransformationNone);
        QTest::newRow("entry cut short") << exifBlock(false, 3, 6).chopped(4) << int(T::TransformationNone);
        QTest::newRow("no EXIF signature") << exifBlock(true, 3, 6).mid(1) << int(T::TransformationNone);
        QTest::newRow("signature only") << QByteArray("Exif\0\0", 6) << int(T::TransformationNone);
    }

    void exifOrientationRead()
    {
        QFETCH(QByteArray, app1);
        QFETCH(int, transformation);
        // A copy of exactly that size, so that the sanitizers see any read beyond it.
        const std::unique_ptr<unsigned char[]> data(new unsigned char[std::size_t(app1.size())]);
        std::memcpy(data.get(), app1.constData(), std::size_t(app1.size()));
        QCOMPARE(int(ExifOrientation::fromApp1(data.get(), app1.size())), transformation);
    }

    void colourProfileKeptUnconverted()
    {
        const QColorSpace wide(QColorSpace::DisplayP3);
        const QImage picture = scene(160, 120);
        const QByteArray plain = JpegSamples::encode(picture, Colour::YCbCr420);
        const QByteArray tagged = JpegSamples::encode(picture, JpegSamples::Options{Colour::YCbCr420, false, 90, wide.iccProfile()});
        for (const QSize size : {QSize(), QSize(80, 60)}) {
            const QImage image = decoded(tagged, size);
            QCOMPARE(image.colorSpace(), wide);
            compareImages(image, decoded(plain, size), 0, 0.0);
        }
        QVERIFY(!decoded(plain).colorSpace().isValid());
    }

    void partsMatchTheWholePicture_data()
    {
        QTest::addColumn<int>("colour");
        QTest::addColumn<QRect>("part");
        QTest::addColumn<QSize>("target");
        // 1203 x 901: a band holds about 830 rows at full width, so a tall part takes two.
        for (const auto &[colour, name] : {std::pair{Colour::YCbCr444, "progressive 4:4:4"}, {Colour::Grey, "progressive grey"}, {Colour::AdobeCmyk, "progressive CMYK"}}) {
            QTest::addRow("%s, reduced", name) << int(colour) << QRect(101, 57, 1001, 843) << QSize(700, 590);
            QTest::addRow("%s, enlarged", name) << int(colour) << QRect(999, 777, 204, 124) << QSize(612, 372);
        }
    }

    void partsMatchTheWholePicture()
    {
        QFETCH(int, colour);
        QFETCH(QRect, part);
        QFETCH(QSize, target);
        const QByteArray jpeg = JpegSamples::encode(scene(1203, 901), Colour(colour), true);
        const QImage whole = decoded(jpeg).convertToFormat(QImage::Format_RGB32);
        QBuffer buffer;
        buffer.setData(jpeg);
        buffer.open(QIODevice::ReadOnly);
        JpegDecoder decoder(&buffer);
        QVERIFY(decoder.readHeader());
        // Reduced in the decoder, sharp edges come out a little differently; a seam between bands
        // or a part out of place by a pixel would be off along a whole row or column.
        const bool enlarged = target.width() > part.width();
        compareImages(decoder.readPart(part, target), whole.copy(part).scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
                      enlarged ? 8 : 64, enlarged ? 0.05 : 1.0);
    }

    // What would break the budget is refused from the headers alone, at once, by the loader too.
    void budgetRefusesBeforeDecoding_data()
    {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<bool>("loads");
        QTest::newRow("3,000 scans, 8000 x 8000 grey") << JpegSamples::progressiveScans(QSize(8000, 8000), 1, 3000) << false;
        QTest::newRow("12000 x 9990 progressive 4:4:4") << JpegSamples::progressiveScans(QSize(12000, 9990), 3, 10) << false;
        QTest::newRow("as many scans as allowed") << JpegSamples::progressiveScans(QSize(40, 24), 1, 256) << true;
        QTest::newRow("one scan more") << JpegSamples::progressiveScans(QSize(40, 24), 1, 257) << false;
    }

    void budgetRefusesBeforeDecoding()
    {
        QFETCH(QByteArray, jpeg);
        QFETCH(bool, loads);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bomb.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(jpeg) == jpeg.size());
        file.close();

        QtPictureLoader loader;
        QElapsedTimer clock;
        clock.start();
        const DecodedPicture picture = loader.load(path, [](QSize) { return QSize(1920, 1080); });
        const QImage part = loader.loadRegion(path, QRect(0, 0, 16, 16), QSize(64, 64));
        QCOMPARE(picture.ok, loads);
        QCOMPARE(part.isNull(), !loads);
        if (loads)
            QCOMPARE(qGray(picture.image.pixel(5, 5)), 128);
        else
            QVERIFY2(clock.elapsed() < 500, qPrintable(QStringLiteral("refused after %1 ms").arg(clock.elapsed())));
    }

    void stopHonouredWhileReadsSucceed_data()
    {
        QTest::addColumn<bool>("progressive");
        QTest::addColumn<QSize>("size");
        QTest::newRow("baseline") << false << QSize();
        QTest::newRow("progressive") << true << QSize();
        QTest::newRow("progressive, reduced") << true << QSize(300, 200);
    }

    void stopHonouredWhileReadsSucceed()
    {
        QFETCH(bool, progressive);
        QFETCH(QSize, size);
        StoppingBuffer buffer;
        QImage noise(1200, 800, QImage::Format_RGB32);
        for (int y = 0; y < noise.height(); ++y) {
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, QRandomGenerator::global()->generate() | 0xff000000u);
        }
        buffer.setData(JpegSamples::encode(noise, Colour::YCbCr420, progressive));
        QVERIFY(buffer.size() > 4 * 64 * 1024); // read in several blocks
        buffer.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        JpegDecoder decoder(&buffer, buffer.stop.get_token());
        QVERIFY(decoder.readHeader());
        buffer.armed = true; // the stop comes with the last bytes, while rows are still to decode
        QVERIFY(decoder.read(size).isNull());
        QVERIFY(buffer.stop.stop_requested());
    }
};

QTEST_MAIN(TestJpegDecoder)
#include "tst_jpegdecoder.moc"
