#include "platform/JpegDecoder.h"

#include "platform/AreaDownscaler.h"
#include "platform/DecodeBudget.h"
#include "platform/ExifOrientation.h"
#include "platform/JpegStructure.h"
#include "platform/LargeImage.h"

#include <QColorSpace>
#include <QIODevice>
#include <QPainter>

#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <cstring>

#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports errors through a callback that must not return; it leaves by longjmp back
// to the setjmp of the function that called into libjpeg. Those functions (the *Guarded ones
// below) hold no object with a destructor, and no C++ exception ever crosses libjpeg's frames.

struct JpegDecodeState
{
    jpeg_decompress_struct cinfo {};
    jpeg_error_mgr errors {};
    jpeg_source_mgr source {};
    jpeg_progress_mgr progress {};
    std::jmp_buf jump {};
    bool created = false;
    bool headerRead = false;

    QIODevice *device = nullptr;
    std::stop_token stop;
    JpegStructure structure;
    QSize size;
    QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone;
    QColorSpace colorSpace;
    unsigned char input[64 * 1024];
};

namespace {

using State = JpegDecodeState;

// A picture decoded reduced passes through this many rows at a time.
constexpr int RowsAtOnce = 16;
// No decoded band of a part holds more pixels than this (1 MB at 32 bits).
constexpr qint64 BandPixels = 256 * 1024;

State &stateOf(j_common_ptr cinfo)
{
    return *static_cast<State *>(cinfo->client_data);
}

State &stateOf(j_decompress_ptr cinfo)
{
    return *static_cast<State *>(cinfo->client_data);
}

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    std::longjmp(stateOf(cinfo).jump, 1);
}

// Warnings tell of damaged data that the decoder worked around; the picture shows what could
// be decoded, as other viewers show it. Running out of data is an error here (see fillInput).
void ignoreMessage(j_common_ptr, int) {}
void ignoreOutput(j_common_ptr) {}

void initSource(j_decompress_ptr) {}
void termSource(j_decompress_ptr) {}

// A picture cut short fails rather than shows grey where its data ended; a stopped one fails
// at its next read.
boolean fillInput(j_decompress_ptr cinfo)
{
    State &state = stateOf(cinfo);
    if (state.stop.stop_requested())
        std::longjmp(state.jump, 1);
    const qint64 count = state.device->read(reinterpret_cast<char *>(state.input), sizeof state.input);
    if (count <= 0)
        std::longjmp(state.jump, 1);
    state.source.next_input_byte = state.input;
    state.source.bytes_in_buffer = size_t(count);
    return TRUE;
}

void skipInput(j_decompress_ptr cinfo, long count)
{
    State &state = stateOf(cinfo);
    while (count > long(state.source.bytes_in_buffer)) {
        count -= long(state.source.bytes_in_buffer);
        fillInput(cinfo);
    }
    if (count > 0) {
        state.source.next_input_byte += count;
        state.source.bytes_in_buffer -= size_t(count);
    }
}

// Called as every row of blocks is read or decoded: the place to give up on a progressive
// file, whose scans are all read before the first row comes out.
void progressMonitor(j_common_ptr cinfo)
{
    State &state = stateOf(cinfo);
    if (state.stop.stop_requested())
        std::longjmp(state.jump, 1);
    // The scans were counted before decoding; this holds should the decoder see more.
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > DecodeBudget::MaxJpegScans)
        std::longjmp(state.jump, 1);
}

bool createGuarded(State &state)
{
    if (setjmp(state.jump))
        return false;
    jpeg_create_decompress(&state.cinfo);
    state.created = true;
    return true;
}

bool readHeaderGuarded(State &state)
{
    if (setjmp(state.jump))
        return false;
    jpeg_save_markers(&state.cinfo, JPEG_APP0 + 1, 0xffff);
    jpeg_save_markers(&state.cinfo, JPEG_APP0 + 2, 0xffff);
    return jpeg_read_header(&state.cinfo, TRUE) == JPEG_HEADER_OK;
}

bool readIccGuarded(State &state, JOCTET **profile, unsigned *length)
{
    if (setjmp(state.jump))
        return false;
    return jpeg_read_icc_profile(&state.cinfo, profile, length);
}

bool calcOutputGuarded(State &state)
{
    if (setjmp(state.jump))
        return false;
    jpeg_calc_output_dimensions(&state.cinfo);
    return true;
}

// Starts the decode; with `cropWidth` non-zero, only columns from `*cropLeft` on (widened by
// the decoder to its block boundaries) and only rows from `skipRows` on.
bool startGuarded(State &state, JDIMENSION *cropLeft, JDIMENSION *cropWidth, JDIMENSION skipRows)
{
    if (setjmp(state.jump))
        return false;
    if (!jpeg_start_decompress(&state.cinfo))
        return false;
    if (*cropWidth != 0 && *cropWidth != state.cinfo.output_width)
        jpeg_crop_scanline(&state.cinfo, cropLeft, cropWidth);
    return skipRows == 0 || jpeg_skip_scanlines(&state.cinfo, skipRows) == skipRows;
}

// Reads `count` rows into the rows from `first` on, `stride` bytes apart.
bool readRowsGuarded(State &state, unsigned char *first, qsizetype stride, int count)
{
    if (setjmp(state.jump))
        return false;
    int done = 0;
    JSAMPROW rows[16];
    while (done < count) {
        if (state.stop.stop_requested())
            return false;
        const int wanted = qMin(count - done, 16);
        for (int i = 0; i < wanted; ++i)
            rows[i] = first + (done + i) * stride;
        const JDIMENSION read = jpeg_read_scanlines(&state.cinfo, rows, JDIMENSION(wanted));
        if (read == 0)
            return false;
        done += int(read);
    }
    return true;
}

bool isCmyk(const jpeg_decompress_struct &cinfo)
{
    return cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
}

bool isGrey(const jpeg_decompress_struct &cinfo)
{
    return cinfo.jpeg_color_space == JCS_GRAYSCALE;
}

// Four bytes a pixel whatever the file holds, so that CMYK is converted where it was decoded.
// The decoder's accurate integer transform and smooth upsampling are kept: measured, the fast
// transform and plain upsampling save nothing worth their loss (the reduced transforms are the
// same either way, and the full-size ones are SIMD both ways).
void chooseOutput(jpeg_decompress_struct &cinfo)
{
    if (isGrey(cinfo))
        cinfo.out_color_space = JCS_GRAYSCALE;
    else if (isCmyk(cinfo))
        cinfo.out_color_space = JCS_CMYK;
    else // the byte order of QImage::Format_RGB32, with the alpha byte set
        cinfo.out_color_space = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRA : JCS_EXT_ARGB;
}

QImage::Format imageFormatOf(const jpeg_decompress_struct &cinfo)
{
    return isGrey(cinfo) ? QImage::Format_Grayscale8 : QImage::Format_RGB32;
}

// CMYK to RGB in place. Adobe's programs, whose marker such files carry, store the inks
// inverted (0 for full ink); other CMYK files store them as they are.
void cmykToRgb(unsigned char *line, int width, bool inverted)
{
    auto *out = reinterpret_cast<QRgb *>(line);
    for (int x = 0; x < width; ++x) {
        const unsigned char *ink = line + 4 * x;
        int c = ink[0], m = ink[1], y = ink[2], k = ink[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        out[x] = qRgb((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255);
    }
}

void convertRows(const jpeg_decompress_struct &cinfo, QImage &image, int from, int to)
{
    if (!isCmyk(cinfo))
        return;
    for (int y = from; y < to; ++y)
        cmykToRgb(image.scanLine(y), image.width(), cinfo.saw_Adobe_marker);
}

// The decoder's buffer of every coefficient of the picture, at full size whatever the output
// scale: a progressive file, or one whose components come in separate scans, needs it whole
// before the first row can come out.
qint64 coefficientBytes(const jpeg_decompress_struct &cinfo)
{
    if (!cinfo.progressive_mode && cinfo.comps_in_scan >= cinfo.num_components)
        return 0;
    qint64 blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info &component = cinfo.comp_info[i];
        const auto roundedUp = [](qint64 value, qint64 step) { return (value + step - 1) / step * step; };
        blocks += roundedUp(component.width_in_blocks, component.h_samp_factor)
                  * roundedUp(component.height_in_blocks, component.v_samp_factor);
    }
    return blocks * qint64(sizeof(JBLOCK));
}

qint64 imageBytes(QSize size, QImage::Format format)
{
    return qint64(size.width()) * size.height() * (format == QImage::Format_Grayscale8 ? 1 : 4);
}

// The smallest eighth whose decode covers `wanted` in both directions, the decoder rounding up.
int eighthsCovering(QSize full, QSize wanted)
{
    for (int eighths = 1; eighths < 8; ++eighths) {
        if ((qint64(full.width()) * eighths + 7) / 8 >= wanted.width()
            && (qint64(full.height()) * eighths + 7) / 8 >= wanted.height())
            return eighths;
    }
    return 8;
}

} // namespace

bool JpegDecoder::canRead(QIODevice *device)
{
    const QByteArray start = device ? device->peek(2) : QByteArray();
    return start.size() == 2 && uchar(start[0]) == 0xff && uchar(start[1]) == 0xd8;
}

JpegDecoder::JpegDecoder(QIODevice *device, std::stop_token stop) : d(std::make_unique<JpegDecodeState>())
{
    d->device = device;
    d->stop = std::move(stop);
    d->cinfo.err = jpeg_std_error(&d->errors);
    d->errors.error_exit = errorExit;
    d->errors.emit_message = ignoreMessage;
    d->errors.output_message = ignoreOutput;
    d->cinfo.client_data = d.get();
}

JpegDecoder::~JpegDecoder()
{
    if (d->created)
        jpeg_destroy_decompress(&d->cinfo);
}

bool JpegDecoder::readHeader()
{
    if (d->created || !d->device)
        return false;
    d->structure = JpegStructure::read(*d->device, d->stop, DecodeBudget::MaxJpegScans);
    if (!d->structure.ok || d->structure.tooManyScans(DecodeBudget::MaxJpegScans)
        || d->structure.keptSegmentBytes > DecodeBudget::MaxDecodeBytes || !d->device->seek(0))
        return false;
    if (!createGuarded(*d))
        return false;
    jpeg_decompress_struct &cinfo = d->cinfo;
    // The decoder's own limit on its buffers, should anything get past the checks here.
    cinfo.mem->max_memory_to_use = long(DecodeBudget::MaxDecodeBytes);
    cinfo.src = &d->source;
    d->source.init_source = initSource;
    d->source.fill_input_buffer = fillInput;
    d->source.skip_input_data = skipInput;
    d->source.resync_to_restart = jpeg_resync_to_restart;
    d->source.term_source = termSource;
    d->progress.progress_monitor = progressMonitor;
    cinfo.progress = &d->progress;
    if (!readHeaderGuarded(*d) || cinfo.image_width == 0 || cinfo.image_height == 0)
        return false;
    d->size = QSize(int(cinfo.image_width), int(cinfo.image_height));

    for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker; marker = marker->next) {
        if (marker->marker != JPEG_APP0 + 1)
            continue;
        d->transformation = ExifOrientation::fromApp1(marker->data, qsizetype(marker->data_length));
        if (d->transformation != QImageIOHandler::TransformationNone)
            break;
    }
    // The profile is kept for colour pictures only: the one colour model QColorSpace takes.
    JOCTET *profile = nullptr;
    unsigned length = 0;
    if (!isGrey(cinfo) && !isCmyk(cinfo) && readIccGuarded(*d, &profile, &length) && profile) {
        d->colorSpace = QColorSpace::fromIccProfile(QByteArray(reinterpret_cast<const char *>(profile), qsizetype(length)));
    }
    std::free(profile);
    d->headerRead = true;
    return true;
}

QSize JpegDecoder::size() const
{
    return d->size;
}

QImageIOHandler::Transformations JpegDecoder::transformation() const
{
    return d->transformation;
}

QImage JpegDecoder::read(const QSize &scaledSize)
{
    if (!d->headerRead || d->stop.stop_requested())
        return {};
    d->headerRead = false; // one decode
    jpeg_decompress_struct &cinfo = d->cinfo;
    const QSize wanted = scaledSize.isEmpty() ? d->size : scaledSize;
    if (wanted.width() > d->size.width() || wanted.height() > d->size.height())
        return {};
    cinfo.scale_num = unsigned(eighthsCovering(d->size, wanted));
    cinfo.scale_denom = 8;
    chooseOutput(cinfo);
    if (!calcOutputGuarded(*d))
        return {};
    const QImage::Format format = imageFormatOf(cinfo);
    const QSize decodedSize(int(cinfo.output_width), int(cinfo.output_height));
    // Only the picture at the size asked for is held whole: a reduced one passes through the
    // reduction a few decoded rows at a time.
    const bool reducing = decodedSize != wanted;
    const qint64 rowBytes = reducing ? imageBytes(QSize(decodedSize.width(), RowsAtOnce), format) : 0;
    if (coefficientBytes(cinfo) + imageBytes(wanted, format) + rowBytes + d->structure.keptSegmentBytes
        > DecodeBudget::MaxDecodeBytes)
        return {};

    QImage image = LargeImage::allocate(wanted, format);
    JDIMENSION noCrop = 0;
    if (image.isNull() || !startGuarded(*d, &noCrop, &noCrop, 0))
        return {};
    if (!reducing) {
        if (!readRowsGuarded(*d, image.bits(), image.bytesPerLine(), image.height()))
            return {};
        convertRows(cinfo, image, 0, image.height());
    } else {
        QImage rows(decodedSize.width(), RowsAtOnce, format);
        AreaDownscaler downscaler(decodedSize, image);
        for (int top = 0; top < decodedSize.height(); top += RowsAtOnce) {
            const int count = qMin(RowsAtOnce, decodedSize.height() - top);
            if (rows.isNull() || !readRowsGuarded(*d, rows.bits(), rows.bytesPerLine(), count))
                return {};
            convertRows(cinfo, rows, 0, count);
            for (int y = 0; y < count; ++y)
                downscaler.addRow(rows.constScanLine(y));
        }
    }
    jpeg_abort_decompress(&cinfo);
    if (d->colorSpace.isValid())
        image.setColorSpace(d->colorSpace);
    return image;
}

QImage JpegDecoder::readPart(const QRect &part, const QSize &target)
{
    if (!d->headerRead || d->stop.stop_requested() || part.isEmpty() || target.isEmpty()
        || !QRect(QPoint(0, 0), d->size).contains(part))
        return {};
    d->headerRead = false;
    jpeg_decompress_struct &cinfo = d->cinfo;
    int eighths = 8;
    for (int m = 1; m < 8; ++m) {
        if (qint64(part.width()) * m >= qint64(target.width()) * 8 && qint64(part.height()) * m >= qint64(target.height()) * 8) {
            eighths = m;
            break;
        }
    }
    cinfo.scale_num = unsigned(eighths);
    cinfo.scale_denom = 8;
    chooseOutput(cinfo);
    if (!calcOutputGuarded(*d))
        return {};

    // The part in decoded pixels, with a pixel more on each side where there is one, so that
    // its edges are interpolated as inside the picture.
    const auto decodedFloor = [eighths](int stored) { return int(qint64(stored) * eighths / 8); };
    const auto decodedCeil = [eighths](int stored) { return int((qint64(stored) * eighths + 7) / 8); };
    const int top = qMax(0, decodedFloor(part.top()) - 1);
    const int bottom = qMin(int(cinfo.output_height), decodedCeil(part.y() + part.height()) + 1);
    JDIMENSION cropLeft = JDIMENSION(qMax(0, decodedFloor(part.left()) - 1));
    JDIMENSION cropWidth = JDIMENSION(qMin(int(cinfo.output_width), decodedCeil(part.x() + part.width()) + 1)) - cropLeft;

    const QImage::Format format = imageFormatOf(cinfo);
    const qint64 bandRows = qMax<qint64>(3, BandPixels / qMax<qint64>(1, cinfo.output_width));
    const QSize bandSize(int(cinfo.output_width), int(qMin<qint64>(bandRows, bottom - top)));
    if (coefficientBytes(cinfo) + imageBytes(bandSize, format) + imageBytes(target, QImage::Format_RGB32)
            + d->structure.keptSegmentBytes
        > DecodeBudget::MaxDecodeBytes)
        return {};
    if (!startGuarded(*d, &cropLeft, &cropWidth, JDIMENSION(top)))
        return {};
    QImage band(int(cropWidth), bandSize.height(), format);
    QImage result = LargeImage::allocate(target, QImage::Format_RGB32);
    if (band.isNull() || result.isNull())
        return {};
    result.fill(Qt::black);

    // Decoded pixel -> target pixel, in each direction.
    const double scaleX = 8.0 / eighths * target.width() / part.width();
    const double scaleY = 8.0 / eighths * target.height() / part.height();
    const double originX = double(part.x()) * target.width() / part.width();
    const double originY = double(part.y()) * target.height() / part.height();
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Source);

    // Bands of rows, each drawn with the row above and below it that the next or previous band
    // owns, so that the smooth scaling blends across bands without a seam.
    int bandTop = top, filled = 0, next = top;
    while (next < bottom) {
        const int count = qMin(band.height() - filled, bottom - next);
        if (!readRowsGuarded(*d, band.scanLine(filled), band.bytesPerLine(), count))
            return {};
        convertRows(cinfo, band, filled, filled + count);
        filled += count;
        next += count;
        const int ownTop = bandTop == top ? top : bandTop + 1;
        const int ownBottom = next == bottom ? bottom : next - 1;
        painter.setClipRect(QRectF(0, ownTop * scaleY - originY, target.width(), (ownBottom - ownTop) * scaleY));
        const QImage rows(band.constBits(), band.width(), filled, band.bytesPerLine(), format);
        painter.drawImage(QRectF(cropLeft * scaleX - originX, bandTop * scaleY - originY, band.width() * scaleX,
                                 filled * scaleY),
                          rows);
        if (next < bottom) {
            std::memmove(band.scanLine(0), band.constScanLine(filled - 2), size_t(2 * band.bytesPerLine()));
            bandTop = next - 2;
            filled = 2;
        }
    }
    painter.end();
    jpeg_abort_decompress(&cinfo);
    if (d->colorSpace.isValid())
        result.setColorSpace(d->colorSpace);
    return result;
}
