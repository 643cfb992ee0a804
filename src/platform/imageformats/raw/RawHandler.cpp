#include "raw/RawHandler.h"

#include "platform/DecodeBudget.h"
#include "raw/RawStream.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImage>
#include <QImageReader>
#include <QTransform>

#include <libraw.h>

#include <cstring>

namespace {

// More than a decoder's read-ahead, less than any cut that loses a row of a picture.
constexpr qint64 LostBytesOfACutFile = 256;

// The stored picture turned upright by LibRaw's orientation: mirrored and flipped, then, for a
// transposing orientation, turned a quarter (a transpose is a quarter turn of the flipped picture).
QImage upright(const QImage &stored, int flip)
{
    const bool transpose = flip & 4;
    QImage image = stored.mirrored(flip & 1, bool(flip & 2) != transpose);
    if (transpose)
        image = image.transformed(QTransform().rotate(90));
    image.setColorSpace(stored.colorSpace());
    return image;
}

QSize uprightSize(const QSize &stored, int flip)
{
    return flip & 4 ? stored.transposed() : stored;
}

// TIFF-built files are ours only if LibRaw finds a raw picture in them: a camera's raw file
// and an ordinary TIFF start alike.
bool holdsRawPicture(QIODevice *device, QByteArray *format)
{
    const qint64 start = device->pos();
    bool found = false;
    {
        RawStream stream(device);
        auto raw = std::make_unique<LibRaw>(LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
        if (stream.valid() && raw->open_datastream(&stream) == LIBRAW_SUCCESS) {
            found = true;
            if (format)
                *format = raw->imgdata.idata.dng_version ? "dng" : "raw";
        }
    }
    device->seek(start);
    return found;
}

struct ProcessedImageFree
{
    void operator()(libraw_processed_image_t *image) const { LibRaw::dcraw_clear_mem(image); }
};

} // namespace

RawHandler::RawHandler() = default;
RawHandler::~RawHandler() = default;

bool RawHandler::canRead(QIODevice *device, QByteArray *format)
{
    if (!device || device->isSequential())
        return false;
    const QByteArray head = device->peek(16);
    if (head.size() < 16)
        return false;
    QByteArray kind;
    if (head.startsWith("FUJIFILMCCD-RAW"))
        kind = "raf";
    else if (head.mid(4, 8) == "ftypcrx ")
        kind = "cr3";
    else if (head.startsWith("IIRO") || head.startsWith("IIRS") || head.startsWith("MMOR"))
        kind = "orf";
    else if (head.startsWith(QByteArray("IIU\0", 4)))
        kind = "rw2";
    else if (head.startsWith(QByteArray("\0MRM", 4)))
        kind = "mrw";
    else if (head.startsWith("FOVb"))
        kind = "x3f";
    else if (head.startsWith("II") && head.mid(6, 8) == "HEAPCCDR")
        kind = "crw";
    else if (head.startsWith(QByteArray("II*\0", 4)) && head.mid(8, 2) == "CR")
        kind = "cr2";
    else if (head.startsWith(QByteArray("II*\0", 4)) || head.startsWith(QByteArray("MM\0*", 4)))
        return holdsRawPicture(device, format);
    else
        return false;
    if (format)
        *format = kind;
    return true;
}

bool RawHandler::canRead() const
{
    QByteArray kind;
    if (!unread() || !canRead(device(), &kind))
        return false;
    setFormat(kind);
    return true;
}

bool RawHandler::readHeader()
{
    m_stream = std::make_unique<RawStream>(device());
    if (!m_stream->valid())
        return false;
    m_raw = std::make_unique<LibRaw>(LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
    m_stream->cancelOnFailure(m_raw.get());
    libraw_output_params_t &params = m_raw->imgdata.params;
    params.half_size = 1;
    params.use_camera_wb = 1;   // the colours the camera showed
    params.output_bps = 8;
    params.max_raw_memory_mb = DecodeBudget::AllocationLimitMB;
    if (m_raw->open_datastream(m_stream.get()) != LIBRAW_SUCCESS)
        return false;

    const libraw_image_sizes_t &sizes = m_raw->imgdata.sizes;
    m_flip = sizes.flip & 7;
    // The size a half-size decode gives: half of each side where the sensor has a colour
    // filter (its 2 x 2 blocks become one pixel), stretched to square pixels.
    const int shrink = m_raw->imgdata.idata.filters ? 1 : 0;
    QSize half((sizes.width + shrink) >> shrink, (sizes.height + shrink) >> shrink);
    if (sizes.pixel_aspect > 0.0 && sizes.pixel_aspect < 0.995)
        half.setHeight(int(half.height() / sizes.pixel_aspect + 0.5));
    else if (sizes.pixel_aspect > 1.005 && sizes.pixel_aspect < 100.0)
        half.setWidth(int(half.width() * sizes.pixel_aspect + 0.5));
    if (half.isEmpty())
        return false;

    choosePreview(half);
    setSize(uprightSize(m_preview.isEmpty() ? half : m_previewSize, m_flip));
    return true;
}

// Keeps the embedded preview when it shows at least what a half-size decode would.
void RawHandler::choosePreview(const QSize &halfSize)
{
    // Its kind is known only once it is read; the header tells only whether there is one.
    const libraw_thumbnail_t &thumbnail = m_raw->imgdata.thumbnail;
    if (thumbnail.tlength == 0)
        return;
    m_stream->forgetLostBytes();
    if (m_raw->unpack_thumb() != LIBRAW_SUCCESS || !thumbnail.thumb || m_stream->failed()
        || m_stream->lostBytes() > 0
        || (thumbnail.tformat != LIBRAW_THUMBNAIL_JPEG && thumbnail.tformat != LIBRAW_THUMBNAIL_BITMAP)) {
        return;
    }
    QSize size;
    QByteArray bytes(thumbnail.thumb, qsizetype(thumbnail.tlength));
    if (thumbnail.tformat == LIBRAW_THUMBNAIL_JPEG) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        size = QImageReader(&buffer, "jpeg").size();
    } else if (thumbnail.tcolors == 3 && qint64(thumbnail.twidth) * thumbnail.theight * 3 <= bytes.size()) {
        size = QSize(thumbnail.twidth, thumbnail.theight);
    }
    // Compared side for side, long with long: a preview may be stored turned.
    const int previewLong = qMax(size.width(), size.height()), previewShort = qMin(size.width(), size.height());
    if (size.isEmpty() || previewLong < qMax(halfSize.width(), halfSize.height())
        || previewShort < qMin(halfSize.width(), halfSize.height())) {
        return;
    }
    m_preview = std::move(bytes);
    m_previewIsJpeg = thumbnail.tformat == LIBRAW_THUMBNAIL_JPEG;
    m_previewSize = size;
}

QImage RawHandler::readPreview(const QSize &target)
{
    QImage stored;
    if (m_previewIsJpeg) {
        QBuffer buffer(&m_preview);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "jpeg");
        reader.setAutoTransform(false); // the raw file's orientation holds, applied below
        const QSize storedTarget = uprightSize(target, m_flip);
        if (storedTarget != m_previewSize)
            reader.setScaledSize(storedTarget);
        stored = reader.read();
    } else if (QImageIOHandler::allocateImage(m_previewSize, QImage::Format_RGB888, &stored)) {
        const int lineBytes = m_previewSize.width() * 3;
        for (int y = 0; y < m_previewSize.height(); ++y)
            std::memcpy(stored.scanLine(y), m_preview.constData() + qsizetype(y) * lineBytes, size_t(lineBytes));
    }
    return stored.isNull() ? QImage() : upright(stored, m_flip);
}

QImage RawHandler::readHalfSize()
{
    const libraw_image_sizes_t &sizes = m_raw->imgdata.sizes;
    if (DecodeBudget::exceeds(QSize(sizes.raw_width, sizes.raw_height)))
        return {};
    m_stream->forgetLostBytes();
    if (m_raw->unpack() != LIBRAW_SUCCESS || m_stream->failed() || m_stream->lostBytes() > LostBytesOfACutFile
        || m_raw->dcraw_process() != LIBRAW_SUCCESS) {
        return {};
    }
    int error = 0;
    // LibRaw turns the picture upright as it copies it out.
    const std::unique_ptr<libraw_processed_image_t, ProcessedImageFree> processed(m_raw->dcraw_make_mem_image(&error));
    m_raw->recycle();
    if (!processed || processed->type != LIBRAW_IMAGE_BITMAP || processed->colors != 3 || processed->bits != 8
        || qint64(processed->width) * processed->height * 3 > qint64(processed->data_size)) {
        return {};
    }
    QImage image;
    const QSize size(processed->width, processed->height);
    if (size.isEmpty() || !QImageIOHandler::allocateImage(size, QImage::Format_RGB888, &image))
        return {};
    const int lineBytes = size.width() * 3;
    for (int y = 0; y < size.height(); ++y)
        std::memcpy(image.scanLine(y), processed->data + qsizetype(y) * lineBytes, size_t(lineBytes));
    return image;
}

bool RawHandler::read(QImage *image)
{
    if (!beginRead())
        return false;
    const QImage result = m_preview.isEmpty() ? readHalfSize() : readPreview(targetSize());
    if (result.isNull())
        return false;
    // One smooth scaling brings a half-size decode to the size asked, and keeps the size given
    // consistent with the one told beforehand.
    *image = atTargetSize(result);
    return true;
}
