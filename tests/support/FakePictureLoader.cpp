#include "FakePictureLoader.h"

#include <QLinearGradient>
#include <QPainter>

void FakePictureLoader::addPicture(const QString &path, const QSize &naturalSize)
{
    QMutexLocker lock(&m_mutex);
    m_sizes.insert(path, naturalSize);
}

void FakePictureLoader::addFailure(const QString &path)
{
    QMutexLocker lock(&m_mutex);
    m_sizes.insert(path, QSize());
}

DecodedPicture FakePictureLoader::load(const QString &path, const std::function<QSize(QSize)> &decodeSizeFor,
                                       std::stop_token)
{
    QSize natural;
    {
        QMutexLocker lock(&m_mutex);
        m_loaded.append(path);
        natural = m_sizes.value(path);
    }
    DecodedPicture picture;
    picture.path = path;
    if (natural.isEmpty())
        return picture;
    const QSize wanted = decodeSizeFor ? decodeSizeFor(natural) : QSize();
    {
        QMutexLocker lock(&m_mutex);
        m_decodeSizes.insert(path, wanted);
    }
    const QSize decoded = wanted.isValid() ? wanted.boundedTo(natural).expandedTo(QSize(1, 1)) : natural;
    // Something recognisable on a screenshot: a diagonal gradient with a frame.
    QImage image(decoded, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, decoded.width(), decoded.height());
    gradient.setColorAt(0, QColor(30, 90, 200));
    gradient.setColorAt(1, QColor(240, 200, 40));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(QPen(Qt::white, qMax(1, decoded.width() / 50)));
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    painter.end();
    picture.ok = true;
    picture.image = image;
    picture.naturalSize = natural;
    picture.fileSize = 1;
    picture.modifiedNs = 1;
    return picture;
}

QImage FakePictureLoader::loadRegion(const QString &, const QRect &, const QSize &, std::stop_token)
{
    return QImage();
}

bool FakePictureLoader::isUnchanged(const DecodedPicture &) const
{
    return true;
}

QStringList FakePictureLoader::loadedPaths() const
{
    QMutexLocker lock(&m_mutex);
    return m_loaded;
}

QSize FakePictureLoader::lastDecodeSize(const QString &path) const
{
    QMutexLocker lock(&m_mutex);
    return m_decodeSizes.value(path);
}
