// libFuzzer target for JPEG files, which come from anywhere: the decoder must never read or
// write outside its memory, never hang, and give a picture of exactly the size asked for or
// none, whole, reduced or a part, whatever the markers, scans, EXIF block or profile say.

#include "platform/JpegDecoder.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Sizes above this are left to the tests: decoding a declared 60000 x 60000 of nothing takes
// long, and would only slow the search.
constexpr qint64 LargestSearched = 4096 * 4096;

void expectSize(const QImage &image, QSize size, const char *what)
{
    if (!image.isNull() && image.size() != size) {
        std::fprintf(stderr, "fuzz_jpeg: %s gave %d x %d, not %d x %d\n", what, image.width(), image.height(),
                     size.width(), size.height());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    for (int pass = 0; pass < 3; ++pass) {
        QBuffer buffer;
        buffer.setData(input);
        buffer.open(QIODevice::ReadOnly);
        JpegDecoder decoder(&buffer);
        if (!decoder.readHeader())
            return 0;
        const QSize stored = decoder.size();
        if (stored.isEmpty() || qint64(stored.width()) * stored.height() > LargestSearched)
            return 0;
        const QSize reduced((stored.width() + 2) / 3, (stored.height() + 4) / 5);
        if (pass == 0) {
            expectSize(decoder.read(), stored, "the whole picture");
        } else if (pass == 1) {
            expectSize(decoder.read(reduced), reduced, "a reduced picture");
        } else {
            const QRect part(stored.width() / 4, stored.height() / 3, (stored.width() + 1) / 2, (stored.height() + 1) / 2);
            expectSize(decoder.readPart(part, reduced), reduced, "a part");
        }
    }
    return 0;
}
