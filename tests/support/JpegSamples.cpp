#include "JpegSamples.h"

#include <QtEndian>

#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace {

[[noreturn]] void failEncoding(j_common_ptr cinfo)
{
    char message[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, message);
    qFatal("cannot encode a JPEG sample: %s", message);
}

QByteArray bigEndian16(int value)
{
    QByteArray bytes(2, '\0');
    qToBigEndian(quint16(value), bytes.data());
    return bytes;
}

QByteArray segment(int marker, const QByteArray &content)
{
    return QByteArray(1, char(0xff)) + char(marker) + bigEndian16(int(content.size()) + 2) + content;
}

// Entropy-coded bits, most significant first, with a zero stuffed after every 0xFF byte.
class BitWriter
{
public:
    void put(quint32 bits, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = (m_byte << 1) | ((bits >> i) & 1);
            if (++m_filled == 8)
                flushByte();
        }
    }

    QByteArray finish()
    {
        while (m_filled != 0)
            put(1, 1); // padded with ones
        return m_bytes;
    }

private:
    void flushByte()
    {
        m_bytes.append(char(m_byte));
        if (m_byte == 0xff)
            m_bytes.append('\0');
        m_byte = 0;
        m_filled = 0;
    }

    QByteArray m_bytes;
    quint32 m_byte = 0;
    int m_filled = 0;
};

// A Huffman table of one symbol, coded by the single bit 0.
QByteArray oneSymbolTable(int tableClass, int symbol)
{
    QByteArray content(1, char(tableClass << 4));
    content += char(1) + QByteArray(15, '\0');
    content += char(symbol);
    return segment(0xc4, content);
}

} // namespace

void JpegSamples::inksOf(QRgb rgb, unsigned char ink[4])
{
    const int r = qRed(rgb), g = qGreen(rgb), b = qBlue(rgb);
    const int brightest = qMax(r, qMax(g, b));
    ink[3] = uchar(255 - brightest);
    for (int i = 0; i < 3; ++i) {
        const int value = i == 0 ? r : i == 1 ? g : b;
        ink[i] = uchar(brightest == 0 ? 0 : 255 * (brightest - value) / brightest);
    }
}

QByteArray JpegSamples::encode(const QImage &image, const Options &options)
{
    jpeg_compress_struct cinfo {};
    jpeg_error_mgr errors {};
    cinfo.err = jpeg_std_error(&errors);
    errors.error_exit = failEncoding;
    jpeg_create_compress(&cinfo);
    unsigned char *output = nullptr;
    unsigned long outputSize = 0;
    jpeg_mem_dest(&cinfo, &output, &outputSize);

    const bool grey = options.colour == Colour::Grey;
    const bool cmyk = options.colour == Colour::AdobeCmyk || options.colour == Colour::AdobeYcck
                      || options.colour == Colour::PlainCmyk;
    const QImage source = image.convertToFormat(grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
    cinfo.image_width = JDIMENSION(source.width());
    cinfo.image_height = JDIMENSION(source.height());
    cinfo.input_components = grey ? 1 : cmyk ? 4 : 3;
    cinfo.in_color_space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.colour == Colour::AdobeYcck)
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    cinfo.write_Adobe_marker = options.colour == Colour::AdobeCmyk || options.colour == Colour::AdobeYcck;
    if (options.colour == Colour::YCbCr444)
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    if (options.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    if (!options.iccProfile.isEmpty()) {
        jpeg_write_icc_profile(&cinfo, reinterpret_cast<const JOCTET *>(options.iccProfile.constData()),
                               unsigned(options.iccProfile.size()));
    }
    QByteArray row(source.width() * 4, '\0');
    for (int y = 0; y < source.height(); ++y) {
        JSAMPROW line = const_cast<JSAMPROW>(source.constScanLine(y));
        if (cmyk) {
            line = reinterpret_cast<JSAMPROW>(row.data());
            for (int x = 0; x < source.width(); ++x) {
                inksOf(image.pixel(x, y), line + 4 * x);
                if (options.colour != Colour::PlainCmyk) { // Adobe's programs store inks inverted
                    for (int i = 0; i < 4; ++i)
                        line[4 * x + i] = uchar(255 - line[4 * x + i]);
                }
            }
        }
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    const QByteArray bytes(reinterpret_cast<const char *>(output), qsizetype(outputSize));
    jpeg_destroy_compress(&cinfo);
    std::free(output);
    return bytes;
}

QByteArray JpegSamples::progressiveScans(QSize size, int components, int scans)
{
    QByteArray jpeg("\xff\xd8", 2);
    jpeg += segment(0xdb, QByteArray(1, '\0') + QByteArray(64, '\1'));
    QByteArray frame = QByteArray(1, char(8)) + bigEndian16(size.height()) + bigEndian16(size.width()) + char(components);
    for (int c = 1; c <= components; ++c)
        frame += QByteArray(1, char(c)) + char(0x11) + char(0);
    jpeg += segment(0xc2, frame);
    jpeg += oneSymbolTable(0, 0x00);   // DC: no difference
    jpeg += oneSymbolTable(1, 0xe0);   // AC: a run of 2^14 + 14 more bits of empty blocks
    const qint64 blocks = qint64((size.width() + 7) / 8) * ((size.height() + 7) / 8);

    QByteArray dcScan(1, char(components));
    for (int c = 1; c <= components; ++c)
        dcScan += QByteArray(1, char(c)) + char(0);
    dcScan += QByteArray(1, char(0)) + char(0) + char(0);
    jpeg += segment(0xda, dcScan);
    BitWriter dc;
    for (qint64 i = 0; i < blocks * components; ++i)
        dc.put(0, 1);
    jpeg += dc.finish();

    BitWriter runs;
    for (qint64 done = 0; done < blocks; done += 32767)
        runs.put(0x7fff, 15); // the code 0, then 14 ones: 32767 empty blocks
    const QByteArray acData = runs.finish();
    for (int scan = 1; scan < scans; ++scan) {
        const int component = 1 + (scan - 1) % components;
        jpeg += segment(0xda, QByteArray(1, char(1)) + char(component) + char(0) + char(1) + char(63) + char(0));
        jpeg += acData;
    }
    return jpeg + QByteArray("\xff\xd9", 2);
}
