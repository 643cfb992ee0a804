#include "heif/HeifHandler.h"

#include "common/DeviceReader.h"
#include "platform/DecodeBudget.h"

#include <QColorSpace>
#include <QImage>
#include <QtEndian>

#include <libheif/heif.h>

#include <cstring>
#include <limits>
#include <vector>

namespace {

DeviceReader *readerOf(void *userdata)
{
    return static_cast<DeviceReader *>(userdata);
}

// libheif reads the file through these, so that it only ever asks for what it parses or decodes.
// It asks whether the file reaches far enough before each read, and aborts the process when a
// read it was promised fails. So a failed device read hands over zeros, and from then on the
// file reaches nowhere: the decode ends at its next piece of data, and the picture is refused.
const heif_reader DeviceCallbacks = {
    1,
    [](void *userdata) -> int64_t { return readerOf(userdata)->position(); },
    [](void *data, size_t size, void *userdata) -> int {
        if (size > size_t(std::numeric_limits<qint64>::max()))
            return 1;
        const qint64 count = readerOf(userdata)->read(static_cast<char *>(data), qint64(size));
        if (count < qint64(size))
            std::memset(static_cast<char *>(data) + qMax<qint64>(0, count), 0, size - size_t(qMax<qint64>(0, count)));
        return 0;
    },
    [](int64_t position, void *userdata) -> int { return readerOf(userdata)->seek(position) ? 0 : 1; },
    [](int64_t target, void *userdata) -> heif_reader_grow_status {
        const DeviceReader *reader = readerOf(userdata);
        return !reader->failed() && target <= reader->size() ? heif_reader_grow_status_size_reached
                                                              : heif_reader_grow_status_size_beyond_eof;
    },
};

bool ok(const heif_error &error)
{
    return error.code == heif_error_Ok;
}

struct ImageRelease
{
    void operator()(const heif_image *image) const { heif_image_release(image); }
};
using DecodedImage = std::unique_ptr<const heif_image, ImageRelease>;

struct HandleRelease
{
    void operator()(const heif_image_handle *handle) const { heif_image_handle_release(handle); }
};
using ImageHandle = std::unique_ptr<heif_image_handle, HandleRelease>;

// The colour space an nclx box describes, where Qt can express it; none for "unspecified".
QColorSpace colourSpaceOf(const heif_color_profile_nclx &nclx)
{
    QColorSpace::TransferFunction transfer = QColorSpace::TransferFunction::SRgb;
    float gamma = 0.0f;
    switch (nclx.transfer_characteristics) {
    case heif_transfer_characteristic_linear:
        transfer = QColorSpace::TransferFunction::Linear;
        break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_M:
        transfer = QColorSpace::TransferFunction::Gamma;
        gamma = 2.2f;
        break;
    case heif_transfer_characteristic_ITU_R_BT_470_6_System_B_G:
        transfer = QColorSpace::TransferFunction::Gamma;
        gamma = 2.8f;
        break;
    case heif_transfer_characteristic_IEC_61966_2_1:
    case heif_transfer_characteristic_unspecified:
    // The video curves of cameras, which desktops show the way they show sRGB.
    case heif_transfer_characteristic_ITU_R_BT_709_5:
    case heif_transfer_characteristic_ITU_R_BT_601_6:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_10bit:
    case heif_transfer_characteristic_ITU_R_BT_2020_2_12bit:
        break;
    default: // high dynamic range and logarithmic curves have no QColorSpace
        return {};
    }
    switch (nclx.color_primaries) {
    case heif_color_primaries_unspecified:
        if (nclx.transfer_characteristics == heif_transfer_characteristic_unspecified)
            return {};
        Q_FALLTHROUGH();
    case heif_color_primaries_ITU_R_BT_709_5:
        return QColorSpace(QColorSpace::Primaries::SRgb, transfer, gamma);
    case heif_color_primaries_SMPTE_EG_432_1:
        return QColorSpace(QColorSpace::Primaries::DciP3D65, transfer, gamma);
    default:
        return QColorSpace(QPointF(nclx.color_primary_white_x, nclx.color_primary_white_y),
                           QPointF(nclx.color_primary_red_x, nclx.color_primary_red_y),
                           QPointF(nclx.color_primary_green_x, nclx.color_primary_green_y),
                           QPointF(nclx.color_primary_blue_x, nclx.color_primary_blue_y), transfer, gamma);
    }
}

// The picture's ICC profile where Qt reads it, else its nclx description.
QColorSpace colourSpaceOf(const heif_image_handle *handle)
{
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        QByteArray icc(qsizetype(heif_image_handle_get_raw_color_profile_size(handle)), '\0');
        if (!icc.isEmpty() && ok(heif_image_handle_get_raw_color_profile(handle, icc.data()))) {
            const QColorSpace space = QColorSpace::fromIccProfile(icc);
            if (space.isValid())
                return space;
        }
    }
    heif_color_profile_nclx *nclx = nullptr;
    if (!ok(heif_image_handle_get_nclx_color_profile(handle, &nclx)) || !nclx)
        return {};
    const QColorSpace space = colourSpaceOf(*nclx);
    heif_nclx_color_profile_free(nclx);
    return space;
}

// Widens a sample of `bits` bits to 16, so that full scale stays full scale.
quint16 widened(quint16 value, int bits)
{
    const quint32 top = (1u << bits) - 1;
    const quint32 sample = qMin<quint32>(value, top);
    return quint16(sample * 65535u / top);
}

// The decoded interleaved RGB(A) picture as a QImage, allocated within Qt's limit.
QImage toQImage(const heif_image *decoded, bool alpha, bool premultiplied)
{
    const int width = heif_image_get_primary_width(decoded);
    const int height = heif_image_get_primary_height(decoded);
    const int bits = heif_image_get_bits_per_pixel_range(decoded, heif_channel_interleaved);
    int stride = 0;
    const uint8_t *pixels = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    if (!pixels || width <= 0 || height <= 0 || bits < 8 || bits > 16)
        return {};
    const int channels = alpha ? 4 : 3;
    QImage::Format format;
    if (bits == 8)
        format = !alpha ? QImage::Format_RGB888
                        : premultiplied ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBA8888;
    else
        format = !alpha ? QImage::Format_RGBX64
                        : premultiplied ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGBA64;
    QImage image;
    if (!QImageIOHandler::allocateImage(QSize(width, height), format, &image))
        return {};
    for (int y = 0; y < height; ++y) {
        const uint8_t *in = pixels + qsizetype(y) * stride;
        if (bits == 8) {
            std::memcpy(image.scanLine(y), in, size_t(width) * channels);
            continue;
        }
        auto *out = reinterpret_cast<quint16 *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c)
                out[4 * x + c] = widened(qFromLittleEndian<quint16>(in + 2 * (channels * x + c)), bits);
            if (!alpha)
                out[4 * x + 3] = 0xffff;
        }
    }
    return image;
}

} // namespace

HeifHandler::HeifHandler() = default;

HeifHandler::~HeifHandler()
{
    if (m_primary)
        heif_image_handle_release(m_primary);
    if (m_context)
        heif_context_free(m_context);
}

bool HeifHandler::canRead(QIODevice *device, QByteArray *format)
{
    if (!device)
        return false;
    // An ISO media file starts with its file-type box: size, "ftyp", the major brand, a minor
    // version, then the compatible brands.
    const QByteArray head = device->peek(16);
    if (head.size() < 16 || head.mid(4, 4) != "ftyp")
        return false;
    const quint32 boxSize = qFromBigEndian<quint32>(head.constData());
    if (boxSize < 16)
        return false;
    const QByteArray box = device->peek(qMin<quint32>(boxSize, 1024));
    QList<QByteArray> brands{box.mid(8, 4)};
    for (qsizetype at = 16; at + 4 <= box.size(); at += 4)
        brands.append(box.mid(at, 4));
    // The major brand decides where it is one of ours; cameras' own ISO formats (Canon's raw
    // files) carry none of these.
    for (const QByteArray &brand : brands) {
        QByteArray kind;
        if (brand == "avif" || brand == "avis")
            kind = "avif";
        else if (brand == "heic" || brand == "heix" || brand == "heim" || brand == "heis" || brand == "hevc"
                 || brand == "hevx" || brand == "hevm" || brand == "hevs")
            kind = "heic";
        else if (brand == "mif1" || brand == "msf1")
            kind = "heif";
        if (kind.isEmpty())
            continue;
        if (format)
            *format = kind;
        return true;
    }
    return false;
}

bool HeifHandler::canRead() const
{
    QByteArray kind;
    if (!unread() || !canRead(device(), &kind))
        return false;
    setFormat(kind);
    return true;
}

bool HeifHandler::readHeader()
{
    m_reader = std::make_unique<DeviceReader>(device());
    if (!m_reader->isUsable())
        return false;
    m_context = heif_context_alloc();
    if (!m_context || !ok(heif_context_read_from_reader(m_context, &DeviceCallbacks, m_reader.get(), nullptr))
        || !ok(heif_context_get_primary_image_handle(m_context, &m_primary))) {
        return false;
    }
    setSize(QSize(heif_image_handle_get_width(m_primary), heif_image_handle_get_height(m_primary)));
    return true;
}

heif_image_handle *HeifHandler::thumbnailFor(const QSize &target) const
{
    const int count = heif_image_handle_get_number_of_thumbnails(m_primary);
    if (count <= 0)
        return nullptr;
    std::vector<heif_item_id> ids(static_cast<size_t>(count));
    ids.resize(size_t(heif_image_handle_get_list_of_thumbnail_IDs(m_primary, ids.data(), count)));
    ImageHandle best;
    for (const heif_item_id id : ids) {
        heif_image_handle *found = nullptr;
        if (!ok(heif_image_handle_get_thumbnail(m_primary, id, &found)))
            continue;
        ImageHandle thumbnail(found);
        const QSize shape(heif_image_handle_get_width(found), heif_image_handle_get_height(found));
        // Only a thumbnail of the picture's shape, turned as it is, stands in for it.
        const QSize picture = size();
        const qint64 skew = qAbs(qint64(shape.width()) * picture.height() - qint64(shape.height()) * picture.width());
        if (shape.width() < target.width() || shape.height() < target.height()
            || skew * 50 > qint64(shape.height()) * picture.width()) {
            continue;
        }
        if (!best || shape.width() < heif_image_handle_get_width(best.get()))
            best = std::move(thumbnail);
    }
    return best.release();
}

bool HeifHandler::read(QImage *image)
{
    // The stored picture, before its turns and crop, is what the decoder allocates.
    if (!beginRead()
        || DecodeBudget::exceeds(QSize(heif_image_handle_get_ispe_width(m_primary),
                                       heif_image_handle_get_ispe_height(m_primary)))) {
        return false;
    }
    const QSize target = targetSize();
    ImageHandle thumbnail(target != size() ? thumbnailFor(target) : nullptr);
    const heif_image_handle *source = thumbnail ? thumbnail.get() : m_primary;

    const bool alpha = heif_image_handle_has_alpha_channel(source);
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(source) > 8;
    const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                    : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image *decodedImage = nullptr;
    const heif_error decoding = heif_decode_image(source, &decodedImage, heif_colorspace_RGB, chroma, nullptr);
    DecodedImage decoded(decodedImage);
    if (!ok(decoding) || !decoded || m_reader->failed())
        return false;

    QImage result = toQImage(decoded.get(), alpha, heif_image_handle_is_premultiplied_alpha(source));
    decoded.reset();
    if (result.isNull())
        return false;
    result = atTargetSize(std::move(result));
    QColorSpace space = thumbnail ? colourSpaceOf(thumbnail.get()) : QColorSpace();
    if (!space.isValid())
        space = colourSpaceOf(m_primary);
    if (space.isValid())
        result.setColorSpace(space);
    *image = std::move(result);
    return !image->isNull();
}
