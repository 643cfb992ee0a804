#include "DngWriter.h"

#include <QBuffer>
#include <QImageReader>
#include <QList>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace {

enum Type : quint16 { Byte = 1, Ascii = 2, Short = 3, Long = 4, Rational = 5, SRational = 10 };

struct Entry
{
    quint16 tag;
    Type type;
    quint32 count;
    QByteArray value; // little-endian, count items of the type
};

template<typename T>
QByteArray le(std::initializer_list<T> values)
{
    QByteArray bytes;
    for (const T value : values) {
        char item[sizeof(T)];
        qToLittleEndian(value, item);
        bytes.append(item, sizeof(T));
    }
    return bytes;
}

Entry shorts(quint16 tag, std::initializer_list<quint16> values)
{
    return {tag, Short, quint32(values.size()), le<quint16>(values)};
}

Entry longs(quint16 tag, std::initializer_list<quint32> values)
{
    return {tag, Long, quint32(values.size()), le<quint32>(values)};
}

Entry bytes(quint16 tag, const QByteArray &values)
{
    return {tag, Byte, quint32(values.size()), values};
}

Entry text(quint16 tag, const QByteArray &value)
{
    return {tag, Ascii, quint32(value.size() + 1), value + '\0'};
}

// One IFD at `at`, its longer values right after it: 2 + 12 n + 4 bytes, then the values.
QByteArray ifd(QList<Entry> entries, quint32 at, quint32 next)
{
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) { return a.tag < b.tag; });
    QByteArray table = le<quint16>({quint16(entries.size())});
    QByteArray values;
    const quint32 valuesAt = at + 2 + 12 * quint32(entries.size()) + 4;
    for (const Entry &entry : entries) {
        table += le<quint16>({entry.tag, entry.type}) + le<quint32>({entry.count});
        if (entry.value.size() <= 4) {
            table += entry.value + QByteArray(4 - entry.value.size(), '\0');
        } else {
            table += le<quint32>({valuesAt + quint32(values.size())});
            values += entry.value;
            if (values.size() % 2)
                values += '\0';
        }
    }
    return table + le<quint32>({next}) + values;
}

// Linear light, 16 bits, from an sRGB level.
quint16 linear(int level)
{
    const double v = level / 255.0;
    const double l = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    return quint16(std::lround(l * 65535.0));
}

QByteArray sensorData(const QImage &picture, bool mosaic)
{
    QByteArray data;
    data.reserve(qsizetype(picture.width()) * picture.height() * (mosaic ? 2 : 6));
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            if (!mosaic) {
                data += le<quint16>({linear(qRed(pixel)), linear(qGreen(pixel)), linear(qBlue(pixel))});
                continue;
            }
            const int channel = (y % 2) + (x % 2); // red, green, green, blue
            data += le<quint16>({linear(channel == 0 ? qRed(pixel) : channel == 1 ? qGreen(pixel) : qBlue(pixel))});
        }
    }
    return data;
}

} // namespace

QByteArray writeDng(const DngPicture &dng)
{
    const QSize size = dng.declaredSize.isValid() ? dng.declaredSize : dng.picture.size();
    const QByteArray sensor = sensorData(dng.picture, dng.mosaic);
    const quint16 samples = dng.mosaic ? 1 : 3;

    // The camera's description: its colour matrix takes XYZ to linear sRGB, so the sensor's
    // colours are the picture's.
    QByteArray matrix;
    for (const double value : {3.2406, -1.5372, -0.4986, -0.9689, 1.8758, 0.0415, 0.0557, -0.2040, 1.0570})
        matrix += le<qint32>({qint32(std::lround(value * 10000)), 10000});
    const QList<Entry> camera = {
        bytes(50706, QByteArray("\x01\x04\x00\x00", 4)), // DNG version
        bytes(50707, QByteArray("\x01\x01\x00\x00", 4)),
        text(271, "Pictarra"), text(272, "Test Sensor"), text(50708, "Pictarra Test Sensor"),
        shorts(274, {quint16(dng.orientation)}),
        {50721, SRational, 9, matrix},                      // colour matrix
        shorts(50778, {21}),                                // under D65
        {50728, Rational, 3, le<quint32>({1, 1, 1, 1, 1, 1})}, // as-shot neutral: no white balance
    };
    auto sensorIfd = [&](quint32 dataAt) {
        QList<Entry> entries = {
            longs(254, {0}), longs(256, {quint32(size.width())}), longs(257, {quint32(size.height())}),
            dng.mosaic ? shorts(258, {16}) : shorts(258, {16, 16, 16}), shorts(259, {1}),
            shorts(262, {quint16(dng.mosaic ? 32803 : 34892)}), longs(273, {dataAt}), shorts(277, {samples}),
            longs(278, {quint32(size.height())}), longs(279, {quint32(sensor.size())}), shorts(284, {1}),
            longs(50717, {65535}),
        };
        if (dng.mosaic)
            entries += {shorts(33421, {2, 2}), bytes(33422, QByteArray("\x00\x01\x01\x02", 4))};
        return entries;
    };

    const QByteArray header("II*\0\x08\0\0\0", 8);
    if (dng.previewJpeg.isEmpty()) {
        // The first IFD holds the sensor data.
        const quint32 dataAt = quint32(header.size() + ifd(sensorIfd(0) + camera, 8, 0).size());
        return header + ifd(sensorIfd(dataAt) + camera, 8, 0) + sensor;
    }
    // As converters do: the first IFD is the preview, the sensor data hangs below it.
    QBuffer buffer;
    QByteArray jpeg = dng.previewJpeg;
    buffer.setBuffer(&jpeg);
    buffer.open(QIODevice::ReadOnly);
    const QSize previewSize = QImageReader(&buffer, "jpeg").size();
    auto previewIfd = [&](quint32 sensorIfdAt, quint32 jpegAt) {
        return QList<Entry>{
            longs(254, {1}), longs(256, {quint32(previewSize.width())}), longs(257, {quint32(previewSize.height())}),
            shorts(258, {8, 8, 8}), shorts(259, {7}), shorts(262, {6}), longs(273, {jpegAt}), shorts(277, {3}),
            longs(278, {quint32(previewSize.height())}), longs(279, {quint32(jpeg.size())}), longs(330, {sensorIfdAt}),
        } + camera;
    };
    const quint32 sensorIfdAt = quint32(header.size() + ifd(previewIfd(0, 0), 8, 0).size());
    const quint32 jpegAt = sensorIfdAt + quint32(ifd(sensorIfd(0), sensorIfdAt, 0).size());
    const quint32 dataAt = jpegAt + quint32(jpeg.size() + jpeg.size() % 2);
    return header + ifd(previewIfd(sensorIfdAt, jpegAt), 8, 0) + ifd(sensorIfd(dataAt), sensorIfdAt, 0) + jpeg
           + QByteArray(jpeg.size() % 2, '\0') + sensor;
}
