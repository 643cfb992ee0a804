// The picture view covers its window, lets the mouse through, and draws only the visible part of
// the picture at its geometry, sharpening a zoomed reduced decode without holding it whole.
#include "platform/QtPictureLoader.h"
#include "show/PictureView.h"

#include <QAccessible>
#include <QPushButton>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

Q_DECLARE_METATYPE(PictureGeometry)

namespace {

const QRgb Backdrop = qRgb(255, 0, 255);
const QPoint Everywhere(-1, -1);
const QRgb Red = qRgb(220, 30, 30), Green = qRgb(30, 200, 30), White = qRgb(240, 240, 240);

QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, QColor(Red));
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(Green));
    painter.fillRect(0, height / 2, width / 2, height - height / 2, QColor(qRgb(30, 30, 220)));
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, QColor(White));
    return image;
}

DecodedPicture decoded(const QImage &image, const QString &path = QStringLiteral("/pictures/holiday 01.jpg"))
{
    return DecodedPicture{.path = path, .ok = true, .image = image, .naturalSize = image.size()};
}

// A geometry given in pixels, 15 twips each.
PictureGeometry pixels(double left, double top, double width, double height)
{
    return PictureGeometry{left * 15, top * 15, width * 15, height * 15};
}

bool near(QRgb a, QRgb b, int tolerance = 12)
{
    return qAbs(qRed(a) - qRed(b)) <= tolerance && qAbs(qGreen(a) - qGreen(b)) <= tolerance
           && qAbs(qBlue(a) - qBlue(b)) <= tolerance;
}

// What the view draws over a backdrop it leaves alone wherever there is no picture.
QImage rendered(QWidget &view)
{
    QImage image(view.size(), QImage::Format_RGB32);
    image.fill(Backdrop);
    view.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

qint64 peakMemoryKb()
{
    rusage usage{};
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : -1;
}

// Loads nothing; counts the sharper parts asked for.
class CountingLoader final : public PictureLoader
{
public:
    DecodedPicture load(const QString &, const std::function<QSize(QSize)> &, std::stop_token = {}) override { return {}; }
    QImage loadRegion(const QString &, const QRect &, const QSize &, std::stop_token = {}) override
    {
        ++regions;
        return {};
    }
    bool isUnchanged(const DecodedPicture &) const override { return true; }
    std::atomic<int> regions{0};
};

} // namespace

class TestPictureView : public QObject
{
    Q_OBJECT
    CountingLoader m_loader;

private Q_SLOTS:
    void coversTheWindowAndLetsTheMouseThrough()
    {
        QPushButton window;
        QSignalSpy presses(&window, &QPushButton::pressed);
        window.resize(300, 200);
        PictureView view(m_loader, &window);
        QCOMPARE(view.geometry(), QRect(0, 0, 300, 200));
        view.setPicture(decoded(quadrants(200, 100)));
        view.setPictureGeometry(pixels(0, 0, 200, 100));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.resize(640, 480);
        QCOMPARE(view.geometry(), QRect(0, 0, 640, 480));

        QCOMPARE(view.focusPolicy(), Qt::NoFocus);
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, QPoint(100, 50));
        QCOMPARE(presses.count(), 1);

        // Twips to pixels, fractions kept.
        view.setPictureGeometry(PictureGeometry{-570, 22.5, 8880, 6660});
        QCOMPARE(view.pictureRect(), QRectF(-38, 1.5, 592, 444));
    }

    void drawsOnlyThePicture_data()
    {
        QTest::addColumn<bool>("withPicture");
        QTest::addColumn<PictureGeometry>("geometry");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QRgb>("colour");

        // A 40 x 20 picture, drawn in a 200 x 100 view.
        const PictureGeometry actual = pixels(30, 10, 40, 20);
        QTest::newRow("actual size, top left") << true << actual << QPoint(35, 15) << Red;
        QTest::newRow("actual size, bottom right") << true << actual << QPoint(65, 25) << White;
        QTest::newRow("actual size, left of it") << true << actual << QPoint(25, 15) << Backdrop;
        QTest::newRow("actual size, below it") << true << actual << QPoint(35, 31) << Backdrop;
        QTest::newRow("doubled, top right") << true << pixels(30, 10, 80, 40) << QPoint(105, 15) << Green;
        QTest::newRow("doubled, right of it") << true << pixels(30, 10, 80, 40) << QPoint(115, 15) << Backdrop;
        // Distorted, as "Stretch to fit" draws it.
        QTest::newRow("stretched, bottom right corner") << true << pixels(0, 0, 200, 60) << QPoint(197, 57) << White;
        // Cut off on the left and at the top: only its bottom right quarter shows.
        QTest::newRow("cut off, visible corner") << true << pixels(-40, -20, 80, 40) << QPoint(10, 5) << White;
        // Half-pixel placement, as "Actual Size" gives it unrounded.
        QTest::newRow("half pixel, inside") << true << pixels(100.5, 50.5, 40, 20) << QPoint(105, 55) << Red;

        // Nothing to draw: the whole view stays untouched.
        QTest::newRow("no picture") << false << pixels(0, 0, 200, 100) << Everywhere << Backdrop;
        QTest::newRow("no size") << true << pixels(10, 10, 0, 0) << Everywhere << Backdrop;
        // "Stretch to fit" in a window smaller than its frame allowance.
        QTest::newRow("negative size") << true << pixels(0, 0, -8, -30) << Everywhere << Backdrop;
        QTest::newRow("outside the window") << true << pixels(300, 0, 100, 100) << Everywhere << Backdrop;
        QTest::newRow("shrunk to nothing") << true << pixels(100, 50, 1e-12, 1e-12) << Everywhere << Backdrop;
    }

    void drawsOnlyThePicture()
    {
        QFETCH(bool, withPicture);
        QFETCH(PictureGeometry, geometry);
        QFETCH(QPoint, at);
        QFETCH(QRgb, colour);
        PictureView view(m_loader);
        view.resize(200, 100);
        if (withPicture)
            view.setPicture(decoded(quadrants(40, 20)));
        view.setPictureGeometry(geometry);
        QImage backdrop(view.size(), QImage::Format_RGB32);
        backdrop.fill(Backdrop);
        if (at == Everywhere) {
            QCOMPARE(rendered(view), backdrop);
        } else {
            const QRgb got = rendered(view).pixel(at);
            QVERIFY2(near(got, colour), qPrintable(QStringLiteral("got #%1").arg(got & 0xffffff, 6, 16, QLatin1Char('0'))));
        }
        // A picture once shown and then cleared is gone.
        view.setPictureGeometry(pixels(0, 0, 200, 100));
        view.clearPicture();
        QCOMPARE(rendered(view), backdrop);
    }

    void zoomedToTheLimitCostsNoMemory()
    {
        PictureView view(m_loader);
        view.resize(1920, 1080);
        view.setPicture(decoded(quadrants(1920, 1280)));
        PictureGeometry geometry = pixels(0, -100, 1920, 1280);
        int steps = 0;
        while (zoomLarger(geometry))
            ++steps;
        QVERIFY(steps > 0);
        view.setPictureGeometry(geometry);

        const qint64 before = peakMemoryKb();
        const QImage image = rendered(view);
        const qint64 growth = peakMemoryKb() - before;
        // A scaled copy of the picture at this size would take about 1.5 GB.
        QVERIFY2(growth < 40 * 1024, qPrintable(QStringLiteral("peak grew by %1 kB").arg(growth)));
        // The window shows the middle of the picture, around the boundary of its quadrants.
        const QPointF middle = view.pictureRect().center();
        QVERIFY(QRectF(view.rect()).contains(middle));
        QVERIFY(near(image.pixel((middle + QPointF(-50, -50)).toPoint()), Red));
        QVERIFY(near(image.pixel((middle + QPointF(50, 50)).toPoint()), White));
    }

    void accessibleName()
    {
        PictureView view(m_loader);
        view.setPicture(decoded(quadrants(4, 4), QStringLiteral("/pictures/Beach at dawn.jpeg")));
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&view);
        QVERIFY(accessible);
        QCOMPARE(accessible->role(), QAccessible::Graphic);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Beach at dawn.jpeg"));
        view.clearPicture();
        QCOMPARE(accessible->text(QAccessible::Name), QString());
    }

    void sharperPartWhenZoomed()
    {
        // Fine stripes, one pixel each, that a reduced decode blurs into grey.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("stripes.png"));
        QImage stripes(800, 400, QImage::Format_RGB32);
        for (int x = 0; x < stripes.width(); ++x) {
            for (int y = 0; y < stripes.height(); ++y)
                stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        }
        QVERIFY(stripes.save(path));
        QtPictureLoader loader;
        const DecodedPicture picture = loader.load(path, [](QSize) { return QSize(200, 100); });
        QVERIFY(picture.isReduced());

        PictureView view(loader);
        view.resize(200, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy sharpened(&view, &PictureView::sharpened);
        view.setPicture(picture);
        // Four times the natural size: each stripe four pixels wide on screen.
        view.setPictureGeometry(pixels(-1000, -500, 3200, 1600));
        auto contrast = [&view] {
            const QImage image = rendered(view);
            int darkest = 255, lightest = 0;
            for (int x = 80; x < 120; ++x) {
                darkest = qMin(darkest, qGray(image.pixel(x, 50)));
                lightest = qMax(lightest, qGray(image.pixel(x, 50)));
            }
            return lightest - darkest;
        };
        QVERIFY2(contrast() < 60, qPrintable(QString::number(contrast())));
        QVERIFY(view.isSharpening());
        QTRY_COMPARE(sharpened.count(), 1);
        QVERIFY(!view.isSharpening());
        // Smoothly enlarged stripes: nearly black and white, not grey.
        QVERIFY2(contrast() > 160, qPrintable(QString::number(contrast())));

        // Another picture drops the sharper part of the last one.
        view.setPicture(decoded(quadrants(200, 100)));
        view.setPictureGeometry(pixels(0, 0, 200, 100));
        QVERIFY(near(rendered(view).pixel(95, 45), Red));
    }

    void noSharperPartWhenNotNeeded()
    {
        PictureView view(m_loader);
        view.resize(200, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        // Decoded at full size, zoomed: the decode already holds every pixel there is.
        view.setPicture(decoded(quadrants(40, 20)));
        view.setPictureGeometry(pixels(0, 0, 400, 200));
        QVERIFY(!view.isSharpening());
        // Reduced, but not drawn larger than decoded.
        DecodedPicture reduced = decoded(quadrants(100, 50));
        reduced.naturalSize = QSize(1000, 500);
        view.setPicture(reduced);
        view.setPictureGeometry(pixels(0, 0, 100, 50));
        QVERIFY(!view.isSharpening());
        // Reduced and zoomed, but hidden.
        view.hide();
        view.setPictureGeometry(pixels(0, 0, 400, 200));
        QVERIFY(!view.isSharpening());
        // Shown again, it asks, once.
        view.show();
        QVERIFY(view.isSharpening());
        QTRY_VERIFY(!view.isSharpening());
        QCOMPARE(m_loader.regions.load(), 1);
    }
};

QTEST_MAIN(TestPictureView)
#include "tst_pictureview.moc"
