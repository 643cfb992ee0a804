#include "platform/LargeImage.h"

#include <sys/mman.h>

#include <climits>
#include <cstdint>

namespace {

constexpr std::size_t HugePage = 2 * 1024 * 1024;
// Below this a huge page would be mostly empty, and malloc reuses what it has.
constexpr qint64 SmallestLarge = 4 * 1024 * 1024;

struct Mapping
{
    void *start;
    std::size_t length;
};

void unmap(void *info)
{
    const auto *mapping = static_cast<Mapping *>(info);
    ::munmap(mapping->start, mapping->length);
    delete mapping;
}

} // namespace

QImage LargeImage::allocate(QSize size, QImage::Format format)
{
    if (size.isEmpty())
        return {};
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 bytesPerLine = (qint64(size.width()) * depth + 31) / 32 * 4;
    const qint64 bytes = bytesPerLine * size.height();
    if (bytes < SmallestLarge || bytesPerLine > INT_MAX)
        return QImage(size, format);
    // Huge pages must start on a huge-page boundary: map one more and start at the first.
    const std::size_t length = std::size_t(bytes) + HugePage;
    void *start = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED)
        return {};
    auto *aligned = reinterpret_cast<uchar *>((reinterpret_cast<std::uintptr_t>(start) + HugePage - 1) & ~std::uintptr_t(HugePage - 1));
    ::madvise(aligned, std::size_t(bytes), MADV_HUGEPAGE); // a hint; without it, plain pages
    auto *mapping = new Mapping{start, length};
    QImage image(aligned, size.width(), size.height(), qsizetype(bytesPerLine), format, unmap, mapping);
    if (image.isNull())
        unmap(mapping);
    return image;
}
