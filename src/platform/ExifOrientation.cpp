#include "platform/ExifOrientation.h"

#include <QtEndian>

#include <cstring>

namespace {

// Bounds-checked reads of the TIFF structure in its own byte order.
class TiffReader
{
public:
    TiffReader(const unsigned char *data, qsizetype size, bool bigEndian)
        : m_data(data), m_size(size), m_bigEndian(bigEndian)
    {
    }

    bool has(qint64 offset, qint64 count) const { return offset >= 0 && count >= 0 && offset + count <= m_size; }

    quint16 u16(qint64 offset) const
    {
        return m_bigEndian ? qFromBigEndian<quint16>(m_data + offset) : qFromLittleEndian<quint16>(m_data + offset);
    }

    quint32 u32(qint64 offset) const
    {
        return m_bigEndian ? qFromBigEndian<quint32>(m_data + offset) : qFromLittleEndian<quint32>(m_data + offset);
    }

private:
    const unsigned char *m_data;
    qsizetype m_size;
    bool m_bigEndian;
};

constexpr quint16 OrientationTag = 0x0112;
constexpr quint16 TypeShort = 3, TypeLong = 4;

int orientationIn(const unsigned char *tiff, qsizetype size)
{
    if (size < 8)
        return 0;
    bool bigEndian;
    if (std::memcmp(tiff, "MM", 2) == 0)
        bigEndian = true;
    else if (std::memcmp(tiff, "II", 2) == 0)
        bigEndian = false;
    else
        return 0;
    const TiffReader reader(tiff, size, bigEndian);
    if (reader.u16(2) != 42)
        return 0;
    const qint64 ifd = reader.u32(4);
    if (!reader.has(ifd, 2))
        return 0;
    const int entries = reader.u16(ifd);
    for (int i = 0; i < entries; ++i) {
        const qint64 entry = ifd + 2 + qint64(i) * 12;
        if (!reader.has(entry, 12))
            return 0;
        if (reader.u16(entry) != OrientationTag)
            continue;
        // One value, held in the entry itself.
        const quint16 type = reader.u16(entry + 2);
        if (reader.u32(entry + 4) < 1)
            return 0;
        if (type == TypeShort)
            return reader.u16(entry + 8);
        if (type == TypeLong)
            return int(qMin<quint32>(reader.u32(entry + 8), 0xffff));
        return 0;
    }
    return 0;
}

} // namespace

QImageIOHandler::Transformations ExifOrientation::fromApp1(const unsigned char *data, qsizetype size)
{
    static constexpr char Signature[6] = {'E', 'x', 'i', 'f', '\0', '\0'};
    if (!data || size < qsizetype(sizeof Signature) || std::memcmp(data, Signature, sizeof Signature) != 0)
        return QImageIOHandler::TransformationNone;
    switch (orientationIn(data + sizeof Signature, size - qsizetype(sizeof Signature))) {
    case 2: return QImageIOHandler::TransformationMirror;
    case 3: return QImageIOHandler::TransformationRotate180;
    case 4: return QImageIOHandler::TransformationFlip;
    case 5: return QImageIOHandler::TransformationFlipAndRotate90;
    case 6: return QImageIOHandler::TransformationRotate90;
    case 7: return QImageIOHandler::TransformationMirrorAndRotate90;
    case 8: return QImageIOHandler::TransformationRotate270;
    default: return QImageIOHandler::TransformationNone;
    }
}
