#include "platform/QtPictureLoader.h"

#include "platform/DecodeBudget.h"
#include "platform/JpegDecoder.h"
#include "platform/LocalPath.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageIOPlugin>
#include <QImageReader>
#include <QList>
#include <QPainter>
#include <QPluginLoader>
#include <QTransform>

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <optional>

namespace {

struct FileStamp
{
    qint64 size = -1;
    qint64 modifiedNs = -1;
};

FileStamp stampOf(const struct stat &status)
{
    return {qint64(status.st_size), qint64(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

// Follows links; nothing unless the path names a regular file. Never opens the file.
std::optional<FileStamp> regularFileStamp(const QString &path)
{
    struct stat status {};
    if (path.isEmpty() || ::stat(LocalPath::encode(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return stampOf(status);
}

// A picture file open for reading that notices when a decoder could not get all the bytes it
// asked for, which is how a picture cut short shows itself to formats whose readers quietly
// fill in the rest.
class PictureFile final : public QFile
{
public:
    // Once `stop` is requested the file ends where it was read to, which is how a decoder nobody
    // waits for any more is made to give up: every reader stops at the end of its data. (The
    // end, not a read error: libtiff writes before its buffer when a read returns -1.)
    explicit PictureFile(std::stop_token stop = {}) : m_stop(std::move(stop)) {}

    // Opens `path` only if it is a regular file: a FIFO or a device is refused before any open
    // (opening a FIFO blocks; reading a device may never end). The file is checked again
    // once open, in case it was swapped in between.
    bool openRegular(const QString &path, FileStamp &stamp)
    {
        if (!regularFileStamp(path))
            return false;
        const int fd = ::open(LocalPath::encode(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        if (fd < 0)
            return false;
        struct stat status {};
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            ::close(fd);
            return false;
        }
        stamp = stampOf(status);
        // Unbuffered, so that every read a decoder asks for reaches readData as asked.
        return open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle);
    }

    // Since the last forgetEnd(): a read found less than it asked for.
    bool readShort() const { return m_readShort; }
    void forgetEnd() { m_readShort = false; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_stop.stop_requested()) {
            m_readShort = m_stopped = true;
            return 0;
        }
        const qint64 count = QFile::readData(data, maxSize);
        if (count < maxSize)
            m_readShort = true;
        return count;
    }

public:
    bool stopped() const { return m_stopped; }
    bool atEnd() const override { return m_stop.stop_requested() || QFile::atEnd(); }
    qint64 bytesAvailable() const override { return m_stop.stop_requested() ? 0 : QFile::bytesAvailable(); }

private:
    std::stop_token m_stop;
    bool m_readShort = false;
    bool m_stopped = false;
};

// Whether the decode ran out of data, for formats whose Qt readers return a picture cut short
// as if it were whole (black where the data ended). The BMP reader reads exactly one row at a
// time, so no complete file trips this. (JPEG files have a decoder of their own that fails.)
bool decodeRanOut(const QByteArray &format, const PictureFile &file)
{
    if (format == "bmp" || format == "dib")
        return file.readShort();
    return false;
}

// The format by the content, as the program's own readers see it. They look before the readers
// Qt brings: a camera's raw file is built like a TIFF file, which Qt's TIFF reader would take
// and fail on, or show only the small thumbnail at its start.
QByteArray ownReadersFormat(QIODevice *device)
{
    const qint64 start = device->pos();
    for (QObject *instance : QPluginLoader::staticInstances()) {
        const auto *plugin = qobject_cast<QImageIOPlugin *>(instance);
        if (!plugin || !(plugin->capabilities(device, QByteArray()) & QImageIOPlugin::CanRead))
            continue;
        const std::unique_ptr<QImageIOHandler> handler(plugin->create(device, QByteArray()));
        const QByteArray format = handler && handler->canRead() ? handler->format() : QByteArray();
        device->seek(start);
        if (!format.isEmpty())
            return format;
    }
    return {};
}

// The format by the file's content, else by its name for formats without a signature.
QByteArray pictureFormat(QIODevice *device, const QString &path)
{
    QByteArray byContent = ownReadersFormat(device);
    if (byContent.isEmpty())
        byContent = QImageReader::imageFormat(device);
    if (!byContent.isEmpty())
        return byContent;
    static const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    return readable.contains(suffix) ? suffix : QByteArray();
}

// The size to decode a picture of `natural` pixels at, or an invalid size for its full size.
// Only ever smaller: a side already smaller than shown is not enlarged by the decoder.
QSize reducedSize(const std::function<QSize(QSize)> &decodeSizeFor, const QSize &natural)
{
    if (!decodeSizeFor)
        return {};
    const QSize target = decodeSizeFor(natural);
    if (!target.isValid())
        return {};
    const QSize wanted = target.expandedTo(QSize(1, 1)).boundedTo(natural);
    return wanted == natural ? QSize() : wanted;
}

// Formats that paint fast are kept as decoded; the rest are converted once, here, rather than
// at every paint.
QImage drawable(QImage image)
{
    image.setDevicePixelRatio(1.0);
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_Grayscale8:
        return image;
    default:
        return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                             : QImage::Format_RGB32);
    }
}

// Qt scales a 1-bit picture without its colour table, so that a one-colour picture comes out as
// a black-and-white pattern; its readers scale that way too when asked for a smaller picture.
bool isOneBit(QImage::Format format)
{
    return format == QImage::Format_Mono || format == QImage::Format_MonoLSB;
}

// The picture at `size` (an invalid size keeps it), drawable; scaled from a drawable copy, which
// keeps the colours of 1-bit pictures.
QImage scaledDrawable(QImage image, const QSize &size)
{
    image = drawable(std::move(image));
    if (image.isNull() || !size.isValid() || image.size() == size)
        return image;
    return drawable(image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

// A picture that carries a colour profile (or other colour information its reader turned into
// one) is converted to sRGB, which is what the screen is taken to show, so that it looks as it
// was meant to. A picture without one is taken to be sRGB already and kept bit for bit; so is
// one that declares sRGB's primaries with a plain 2.2 gamma, which is how PNG writers such as
// ImageMagick's mark sRGB for older readers: taken literally, it would darken every shadow.
QImage inSrgb(QImage image)
{
    static const QColorSpace sRgbStandIn(QColorSpace::Primaries::SRgb, 2.2f);
    const QColorSpace space = image.colorSpace();
    if (!space.isValid() || space == QColorSpace::SRgb || space == sRgbStandIn)
        return image;
    // Qt converts a grey picture's colour space without changing its tones.
    if (image.format() == QImage::Format_Grayscale8)
        image = image.convertToFormat(QImage::Format_RGB32);
    image.convertToColorSpace(QColorSpace::SRgb);
    return image;
}

bool turnsQuarter(QImageIOHandler::Transformations transformation)
{
    return transformation.testFlag(QImageIOHandler::TransformationRotate90);
}

// Applies an EXIF orientation the way Qt's readers do: mirror and flip, then a quarter turn.
QImage oriented(QImage image, QImageIOHandler::Transformations transformation)
{
    const bool mirror = transformation.testFlag(QImageIOHandler::TransformationMirror);
    const bool flip = transformation.testFlag(QImageIOHandler::TransformationFlip);
    if (mirror || flip)
        image = image.mirrored(mirror, flip);
    if (turnsQuarter(transformation))
        image = image.transformed(QTransform().rotate(90));
    return image;
}

// No single decode of a part of a picture holds more pixels than this (4 MB at 32 bits).
constexpr qint64 StripPixels = 1'000'000;

QRect alignedOutward(const QRect &rect, int step)
{
    const int left = rect.left() / step * step;
    const int top = rect.top() / step * step;
    const int right = (rect.x() + rect.width() + step - 1) / step * step;
    const int bottom = (rect.y() + rect.height() + step - 1) / step * step;
    return QRect(left, top, right - left, bottom - top);
}

// Decodes `part` of the stored picture scaled to `target` (both un-oriented) with a reader that
// can decode parts, reduced by a power of two (a JPEG reader reduces while it decodes). Qt
// reduces a part only on pixel boundaries that are multiples of the reduction, else it decodes
// the part at full size first; and it decodes a part at full size before scaling it to any
// size that is not such a reduction. So the part is widened to those boundaries, decoded in
// strips of bounded size, and each strip is scaled into the result as it comes.
QImage decodePartInStrips(QIODevice &file, const QByteArray &format, const QSize &storedSize, const QRect &part,
                          const QSize &target)
{
    int reduction = 1;
    while (reduction < 8 && part.width() >= 2 * reduction * target.width()
           && part.height() >= 2 * reduction * target.height()) {
        reduction *= 2;
    }
    const QRect whole(QPoint(0, 0), storedSize);
    QRect decoded = alignedOutward(part, reduction) & whole;
    // At the picture's right or bottom edge the boundary may not fall on a multiple.
    while (reduction > 1 && (decoded.width() % reduction != 0 || decoded.height() % reduction != 0)) {
        reduction /= 2;
        decoded = alignedOutward(part, reduction) & whole;
    }

    const qint64 reducedWidth = decoded.width() / reduction;
    const int stripRows = int(qMax<qint64>(1, StripPixels / qMax<qint64>(1, reducedWidth))) * reduction;
    const double scaleX = double(target.width()) / part.width();
    const double scaleY = double(target.height()) / part.height();
    QImage result;
    for (int top = part.top(); top < part.y() + part.height(); top += stripRows) {
        const int bottom = qMin(top + stripRows, part.y() + part.height());
        // A reduced row more on each side, so that strips blend without a seam.
        const QRect strip = alignedOutward(QRect(decoded.x(), top - reduction, decoded.width(), bottom - top + 2 * reduction),
                                           reduction)
                            & decoded;
        if (!file.seek(0))
            return {};
        QImageReader reader(&file, format);
        reader.setAutoTransform(false);
        reader.setClipRect(strip);
        reader.setScaledSize(strip.size() / reduction);
        const QImage stripImage = reader.read();
        if (stripImage.isNull())
            return {};
        if (result.isNull()) {
            result = QImage(target, stripImage.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                                 : QImage::Format_RGB32);
            result.fill(Qt::transparent);
            // The strips are drawn as they are; the part is converted to sRGB as a whole.
            result.setColorSpace(stripImage.colorSpace());
        }
        QPainter painter(&result);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setClipRect(QRectF(0, (top - part.y()) * scaleY, target.width(), (bottom - top) * scaleY));
        painter.drawImage(QRectF((strip.x() - part.x()) * scaleX, (strip.y() - part.y()) * scaleY,
                                 strip.width() * scaleX, strip.height() * scaleY),
                          stripImage);
    }
    return result;
}

// A JPEG picture, reduced while it is decoded, then oriented. Fills `picture` as load() does.
void loadJpeg(PictureFile &file, const std::function<QSize(QSize)> &decodeSizeFor, std::stop_token stop,
              DecodedPicture &picture)
{
    JpegDecoder decoder(&file, std::move(stop));
    if (!decoder.readHeader())
        return;
    const QSize storedSize = decoder.size();
    if (storedSize.isEmpty() || DecodeBudget::exceeds(storedSize))
        return;
    const QImageIOHandler::Transformations transformation = decoder.transformation();
    const bool quarterTurn = turnsQuarter(transformation);
    picture.naturalSize = quarterTurn ? storedSize.transposed() : storedSize;
    const QSize wanted = reducedSize(decodeSizeFor, picture.naturalSize);
    QImage image = decoder.read(quarterTurn ? wanted.transposed() : wanted);
    if (image.isNull() || file.stopped())
        return;
    picture.image = drawable(oriented(inSrgb(std::move(image)), transformation));
    picture.ok = !picture.image.isNull();
}

// A part of a JPEG picture, in one pass over the file. Null as loadRegion() is.
QImage loadJpegRegion(PictureFile &file, const QRect &sourceRect, const QSize &targetSize, std::stop_token stop)
{
    JpegDecoder decoder(&file, std::move(stop));
    if (!decoder.readHeader())
        return {};
    const QSize storedSize = decoder.size();
    const QImageIOHandler::Transformations transformation = decoder.transformation();
    const bool quarterTurn = turnsQuarter(transformation);
    const QSize natural = quarterTurn ? storedSize.transposed() : storedSize;
    if (storedSize.isEmpty() || DecodeBudget::exceeds(storedSize) || sourceRect.isEmpty()
        || !QRect(QPoint(0, 0), natural).contains(sourceRect))
        return {};
    const QRect part = QtPictureLoader::orientedToFileRect(sourceRect, storedSize, transformation);
    // The C library keeps freed blocks for reuse, a pool per thread; parts of a zoomed picture
    // come and go in all sizes on several threads, so hand back what they leave.
    malloc_trim(0);
    QImage image = decoder.readPart(part, quarterTurn ? targetSize.transposed() : targetSize);
    malloc_trim(0);
    if (image.isNull() || file.stopped())
        return {};
    return drawable(oriented(inSrgb(std::move(image)), transformation));
}

} // namespace

QtPictureLoader::QtPictureLoader()
{
    // Qt's default limit refuses photos well below 100 megapixels; a declared size beyond the
    // budget's pixels is refused before it comes to that.
    static const bool limitSet = [] {
        QImageReader::setAllocationLimit(qMax(QImageReader::allocationLimit(), DecodeBudget::AllocationLimitMB));
        return true;
    }();
    Q_UNUSED(limitSet);
}

DecodedPicture QtPictureLoader::load(const QString &path, const std::function<QSize(QSize)> &decodeSizeFor,
                                     std::stop_token stop)
{
    DecodedPicture picture;
    picture.path = path;

    PictureFile file(stop);
    FileStamp stamp;
    if (!file.openRegular(path, stamp))
        return picture;
    picture.fileSize = stamp.size;
    picture.modifiedNs = stamp.modifiedNs;
    if (JpegDecoder::canRead(&file)) {
        loadJpeg(file, decodeSizeFor, stop, picture);
        return picture;
    }

    const QByteArray format = pictureFormat(&file, path);
    QImageReader reader(&file, format);
    // Turned here, once the colours are converted: Qt's turning drops the picture's colour
    // profile.
    reader.setAutoTransform(false);
    const QSize storedSize = reader.size();
    QImageIOHandler::Transformations transformation = reader.transformation();
    QSize wanted;
    if (storedSize.isValid()) {
        if (storedSize.isEmpty() || DecodeBudget::exceeds(storedSize))
            return picture;
        picture.naturalSize = turnsQuarter(transformation) ? storedSize.transposed() : storedSize;
        wanted = reducedSize(decodeSizeFor, picture.naturalSize);
        if (turnsQuarter(transformation))
            wanted.transpose();
        // The reader is asked for the smaller picture only where it can give it, and give it
        // right; otherwise it would decode whole and scale as scaledDrawable() does, only worse.
        if (wanted.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize)
            && !isOneBit(reader.imageFormat()))
            reader.setScaledSize(wanted);
    }

    file.forgetEnd();
    QImage image = reader.read();
    if (image.isNull() || decodeRanOut(format, file) || file.stopped())
        return picture;

    if (!storedSize.isValid()) {
        // This format tells its size, and maybe its orientation, only by decoding it: reduce
        // what is kept afterwards.
        if (DecodeBudget::exceeds(image.size()))
            return picture;
        transformation = reader.transformation();
        picture.naturalSize = turnsQuarter(transformation) ? image.size().transposed() : image.size();
        wanted = reducedSize(decodeSizeFor, picture.naturalSize);
        if (turnsQuarter(transformation))
            wanted.transpose();
    }
    // Colours are converted on no more pixels than are shown.
    image = inSrgb(scaledDrawable(std::move(image), wanted));
    picture.image = drawable(oriented(std::move(image), transformation));
    picture.ok = !picture.image.isNull();
    return picture;
}

QImage QtPictureLoader::loadRegion(const QString &path, const QRect &sourceRect, const QSize &targetSize,
                                   std::stop_token stop)
{
    if (targetSize.isEmpty() || DecodeBudget::exceeds(targetSize) || stop.stop_requested())
        return {};
    PictureFile file(stop);
    FileStamp stamp;
    if (!file.openRegular(path, stamp))
        return {};

    if (JpegDecoder::canRead(&file))
        return loadJpegRegion(file, sourceRect, targetSize, stop);

    const QByteArray format = pictureFormat(&file, path);
    QImageReader reader(&file, format);
    reader.setAutoTransform(false); // turned here, once the part is decoded
    const QSize storedSize = reader.size();
    if (!storedSize.isValid() || storedSize.isEmpty() || DecodeBudget::exceeds(storedSize))
        return {};
    const QImageIOHandler::Transformations transformation = reader.transformation();
    const bool quarterTurn = turnsQuarter(transformation);
    const QSize natural = quarterTurn ? storedSize.transposed() : storedSize;
    if (sourceRect.isEmpty() || !QRect(QPoint(0, 0), natural).contains(sourceRect))
        return {};

    const QRect part = orientedToFileRect(sourceRect, storedSize, transformation);
    const QSize partTarget = quarterTurn ? targetSize.transposed() : targetSize;
    QImage image;
    if (reader.supportsOption(QImageIOHandler::ClipRect)) {
        // The C library keeps freed blocks for reuse, a pool per thread; the parts of a zoomed
        // picture come and go in all sizes on several threads, so hand back what earlier parts
        // and these strips leave, rather than let it pile up while zooming.
        malloc_trim(0);
        image = decodePartInStrips(file, format, storedSize, part, partTarget);
        malloc_trim(0);
    } else {
        // The reader decodes the whole picture anyway; let it cut the part out, and scale it here.
        reader.setClipRect(part);
        image = scaledDrawable(reader.read(), partTarget);
    }
    if (image.isNull() || file.stopped())
        return {};
    return drawable(oriented(inSrgb(std::move(image)), transformation));
}

bool QtPictureLoader::isUnchanged(const DecodedPicture &picture) const
{
    if (picture.fileSize < 0)
        return false;
    const std::optional<FileStamp> stamp = regularFileStamp(picture.path);
    return stamp && stamp->size == picture.fileSize && stamp->modifiedNs == picture.modifiedNs;
}

QRect QtPictureLoader::orientedToFileRect(const QRect &orientedRect, const QSize &fileSize,
                                          QImageIOHandler::Transformations transformation)
{
    // Qt orients a picture by mirroring and flipping it first, then turning it a quarter
    // clockwise; undo those steps in reverse order.
    QRect rect = orientedRect;
    if (turnsQuarter(transformation)) {
        // The quarter turn took the stored point (x, y) to (storedHeight - y, x).
        rect = QRect(rect.y(), fileSize.height() - (rect.x() + rect.width()), rect.height(), rect.width());
    }
    if (transformation.testFlag(QImageIOHandler::TransformationFlip))
        rect.moveTop(fileSize.height() - (rect.y() + rect.height()));
    if (transformation.testFlag(QImageIOHandler::TransformationMirror))
        rect.moveLeft(fileSize.width() - (rect.x() + rect.width()));
    return rect;
}
