// libFuzzer target for the phone and camera formats: every input is read by Qt's image reader
// as a HEIF, a JPEG XL or a camera's raw file (its first byte picks which, the rest is the
// file), asked for its size and then read, at that size or a quarter of it. Whatever the bytes,
// the reader returns without a crash, a hang or an allocation beyond the decoding budget, and a
// picture it gives has exactly the size it told, or asked for: the loader lays the picture out
// by the size told before decoding.
//
// The seeds in corpus/imageformats are small pictures made from samples/dots-tiny.bmp with
// heif-enc, avifenc and cjxl, and DNG files from the tests' writer, each behind its byte.

#include "platform/DecodeBudget.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QtPlugin>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

Q_IMPORT_PLUGIN(HeifPlugin)
Q_IMPORT_PLUGIN(JxlPlugin)
Q_IMPORT_PLUGIN(RawPlugin)

namespace {

// Pictures are decoded up to this many pixels, so that each input takes a moment; the readers'
// own refusal of larger ones is a comparison of the size told.
constexpr qint64 FuzzedPixels = 16'000'000;

[[noreturn]] void fault(const char *what, const QByteArray &format, QSize told, QSize got)
{
    std::fprintf(stderr, "fuzz_imageformats: %s (%s): told %d x %d, gave %d x %d\n", what, format.constData(),
                 told.width(), told.height(), got.width(), got.height());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    QImageReader::setAllocationLimit(DecodeBudget::AllocationLimitMB);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const QByteArray formats[] = {"heic", "jxl", "dng"};
    const QByteArray format = formats[(data[0] & 0x7f) % 3];
    const bool reduced = data[0] & 0x80;
    QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);

    QImageReader reader(&buffer, format);
    const QSize told = reader.size();
    if (told.isValid() && (told.isEmpty() || qint64(told.width()) * told.height() > FuzzedPixels))
        return 0;
    const QSize wanted = told.isValid() && reduced ? (told / 4).expandedTo(QSize(1, 1)) : told;
    if (wanted != told)
        reader.setScaledSize(wanted);
    const QImage image = reader.read();
    if (image.isNull())
        return 0;
    if (!told.isValid())
        fault("a picture without a size told", format, told, image.size());
    if (image.size() != wanted)
        fault("a picture of another size than told", format, wanted, image.size());
    return 0;
}
