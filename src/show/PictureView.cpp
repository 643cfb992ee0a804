#include "show/PictureView.h"

#include "platform/LocalPath.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QFileInfo>
#include <QPaintEvent>
#include <QPainter>
#include <QThreadPool>
#include <QTimer>

#include <atomic>
#include <cmath>
#include <memory>
#include <stop_token>

namespace {

constexpr double TwipsPerPixel = 15.0;
// How long the geometry must stay still before a sharper part is decoded: zoom keys repeat.
constexpr int SharpenDelayMs = 120;

// Assistive technology sees the picture as a graphic named after its file.
QAccessibleInterface *pictureViewAccessible(const QString &className, QObject *object)
{
    if (className == QLatin1String("PictureView") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Graphic);
    return nullptr;
}

// Draws the part of `image` that falls inside `area`, the image covering `imageOnScreen`.
// Only that part is read and scaled as it is drawn: no scaled copy of the image is made.
void drawVisiblePart(QPainter &painter, const QImage &image, const QRectF &imageOnScreen, const QRectF &area)
{
    const QRectF target = imageOnScreen & area;
    if (target.isEmpty() || image.isNull())
        return;
    const double scaleX = image.width() / imageOnScreen.width();
    const double scaleY = image.height() / imageOnScreen.height();
    const QRectF source((target.x() - imageOnScreen.x()) * scaleX, (target.y() - imageOnScreen.y()) * scaleY,
                        target.width() * scaleX, target.height() * scaleY);
    painter.drawImage(target, image, source);
}

// What to decode for a sharp drawing of the visible part: where in the picture (natural
// pixels) and at what size (device pixels, never more than the picture has there).
struct SharpRequest
{
    QRect source;
    QSize size;
    bool operator==(const SharpRequest &) const = default;
    bool isValid() const { return !source.isEmpty() && !size.isEmpty(); }
};

} // namespace

struct PictureView::Private
{
    explicit Private(PictureLoader &pictureLoader) : loader(pictureLoader) {}

    PictureLoader &loader;
    DecodedPicture picture;
    PictureGeometry geometry;

    // A sharper decode of the part of a reduced picture that is on screen; at most screen-sized.
    QImage sharpPart;
    QRect sharpSource; // natural pixels
    SharpRequest pending;
    bool decoding = false; // the decode of `pending` has not come back yet
    // Bumped whenever a decode under way stops being wanted; the decode checks it.
    std::shared_ptr<std::atomic<quint64>> ticket = std::make_shared<std::atomic<quint64>>(0);
    // Stops the decode of a part nobody waits for any more.
    std::stop_source stop;
    QTimer *sharpenTimer = nullptr; // the view's child
    QThreadPool pool;
};

PictureView::PictureView(PictureLoader &loader, QWidget *parent) : QWidget(parent), d(new Private(loader))
{
    static const bool accessibleInstalled = [] {
        QAccessible::installFactory(pictureViewAccessible);
        return true;
    }();
    Q_UNUSED(accessibleInstalled);

    // Clicks and mouse moves over the picture belong to the window beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    d->pool.setMaxThreadCount(1);
    d->sharpenTimer = new QTimer(this);
    d->sharpenTimer->setSingleShot(true);
    d->sharpenTimer->setInterval(SharpenDelayMs);
    connect(d->sharpenTimer, &QTimer::timeout, this, [this] { requestSharperPart(); });
    if (parent) {
        setGeometry(parent->rect());
        parent->installEventFilter(this);
    }
}

PictureView::~PictureView()
{
    ++*d->ticket;
    d->stop.request_stop();
    d->pool.clear();
    d->pool.waitForDone();
    delete d;
}

void PictureView::setPicture(const DecodedPicture &picture)
{
    d->picture = picture;
    dropSharpPart();
    setAccessibleName(picture.ok ? LocalPath::displayText(QFileInfo(picture.path).fileName()) : QString());
    scheduleSharpening();
    update();
}

const DecodedPicture &PictureView::picture() const
{
    return d->picture;
}

void PictureView::clearPicture()
{
    setPicture(DecodedPicture());
}

void PictureView::setPictureGeometry(const PictureGeometry &geometry)
{
    d->geometry = geometry;
    scheduleSharpening();
    update();
}

PictureGeometry PictureView::pictureGeometry() const
{
    return d->geometry;
}

QRectF PictureView::pictureRect() const
{
    return {d->geometry.left / TwipsPerPixel, d->geometry.top / TwipsPerPixel, d->geometry.width / TwipsPerPixel,
            d->geometry.height / TwipsPerPixel};
}

bool PictureView::isSharpening() const
{
    return d->sharpenTimer->isActive() || d->decoding;
}

void PictureView::paintEvent(QPaintEvent *event)
{
    const QImage &image = d->picture.image;
    QRectF onScreen = pictureRect();
    if (!d->picture.ok || image.isNull() || !(onScreen.width() > 0) || !(onScreen.height() > 0))
        return;
    const QRectF area = QRectF(event->rect()) & QRectF(rect());
    if ((onScreen & area).isEmpty())
        return;

    QPainter painter(this);
    const double ratio = devicePixelRatioF();
    const bool oneToOne = std::abs(onScreen.width() * ratio - image.width()) < 0.5
                          && std::abs(onScreen.height() * ratio - image.height()) < 0.5;
    if (oneToOne) {
        // Drawn at its decoded size: on whole device pixels it is a plain copy, crisp and fast.
        onScreen = QRectF(std::round(onScreen.x() * ratio) / ratio, std::round(onScreen.y() * ratio) / ratio,
                          image.width() / ratio, image.height() / ratio);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
    }
    drawVisiblePart(painter, image, onScreen, area);

    if (!d->sharpPart.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const QSize natural = d->picture.naturalSize;
        const double perPixelX = onScreen.width() / natural.width();
        const double perPixelY = onScreen.height() / natural.height();
        const QRectF partOnScreen(onScreen.x() + d->sharpSource.x() * perPixelX,
                                  onScreen.y() + d->sharpSource.y() * perPixelY,
                                  d->sharpSource.width() * perPixelX, d->sharpSource.height() * perPixelY);
        drawVisiblePart(painter, d->sharpPart, partOnScreen, area);
    }
}

void PictureView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    scheduleSharpening();
}

void PictureView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    scheduleSharpening();
}

bool PictureView::eventFilter(QObject *watched, QEvent *event)
{
    // The view covers its window's client area, whatever size the window takes.
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

bool PictureView::needsSharperPart() const
{
    const DecodedPicture &picture = d->picture;
    if (!picture.isReduced() || !isVisible() || picture.naturalSize.isEmpty())
        return false;
    const QRectF onScreen = pictureRect();
    if ((onScreen & QRectF(rect())).isEmpty())
        return false;
    // Drawn larger than decoded, by more than rounding.
    const double ratio = devicePixelRatioF();
    return onScreen.width() * ratio > picture.image.width() + 1.0
           || onScreen.height() * ratio > picture.image.height() + 1.0;
}

void PictureView::scheduleSharpening()
{
    if (!needsSharperPart()) {
        d->sharpenTimer->stop();
        dropSharpPart();
        return;
    }
    d->sharpenTimer->start();
}

void PictureView::dropSharpPart()
{
    ++*d->ticket;
    d->stop.request_stop();
    d->stop = std::stop_source();
    d->pending = {};
    d->decoding = false;
    if (!d->sharpPart.isNull()) {
        d->sharpPart = QImage();
        d->sharpSource = QRect();
        update();
    }
}

void PictureView::requestSharperPart()
{
    if (!needsSharperPart())
        return;
    const QSize natural = d->picture.naturalSize;
    const QRectF onScreen = pictureRect();
    const QRectF visible = onScreen & QRectF(rect());
    const double naturalPerPixelX = natural.width() / onScreen.width();
    const double naturalPerPixelY = natural.height() / onScreen.height();
    SharpRequest request;
    request.source = QRectF((visible.x() - onScreen.x()) * naturalPerPixelX,
                            (visible.y() - onScreen.y()) * naturalPerPixelY, visible.width() * naturalPerPixelX,
                            visible.height() * naturalPerPixelY)
                         .toAlignedRect()
                     & QRect(QPoint(0, 0), natural);
    const double ratio = devicePixelRatioF();
    request.size = QSize(int(std::ceil(request.source.width() / naturalPerPixelX * ratio)),
                         int(std::ceil(request.source.height() / naturalPerPixelY * ratio)))
                       .boundedTo(request.source.size())
                       .expandedTo(QSize(1, 1));
    if (!request.isValid() || request == d->pending)
        return;
    // Already sharp enough: the part held covers what is visible at least as finely.
    if (!d->sharpPart.isNull() && d->sharpSource.contains(request.source)
        && qint64(d->sharpPart.width()) * request.source.width() >= qint64(request.size.width()) * d->sharpSource.width()
        && qint64(d->sharpPart.height()) * request.source.height()
               >= qint64(request.size.height()) * d->sharpSource.height()) {
        return;
    }

    d->pending = request;
    d->decoding = true;
    const quint64 ticket = ++*d->ticket;
    d->stop.request_stop();
    d->stop = std::stop_source();
    const std::stop_token stop = d->stop.get_token();
    std::shared_ptr<std::atomic<quint64>> current = d->ticket;
    // The decode needs the file's identity, not the picture: no copy of the image travels.
    DecodedPicture stamp;
    stamp.path = d->picture.path;
    stamp.fileSize = d->picture.fileSize;
    stamp.modifiedNs = d->picture.modifiedNs;
    PictureLoader &loader = d->loader;
    d->pool.clear();
    d->pool.start([this, &loader, current, ticket, stamp, request, stop] {
        if (*current != ticket)
            return;
        // A file that changed since it was shown would not match the picture on screen.
        QImage part = loader.isUnchanged(stamp) ? loader.loadRegion(stamp.path, request.source, request.size, stop)
                                                : QImage();
        if (*current != ticket)
            return;
        // The view outlives this decode (its destructor waits for it), so it can be posted to.
        QMetaObject::invokeMethod(
            this, [this, ticket, request, part = std::move(part)] { acceptSharperPart(ticket, request.source, part); },
            Qt::QueuedConnection);
    });
}

void PictureView::acceptSharperPart(quint64 ticket, const QRect &source, const QImage &part)
{
    if (*d->ticket != ticket)
        return;
    d->decoding = false;
    if (part.isNull())
        return;
    d->sharpPart = part;
    d->sharpSource = source;
    update();
    Q_EMIT sharpened();
}
