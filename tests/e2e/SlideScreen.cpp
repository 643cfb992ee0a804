#include "SlideScreen.h"

#include <QtGlobal>

namespace {

// The banners' places in the client area, in pixels: the paused banner at 120,120 twips,
// 300 twips high; the "Sorry" banner at 120,480 twips, 255 twips high. Only their left
// parts are read, where no picture of the tests reaches (the pictures are portrait and
// centred in a wide window).
const QRect PausedBanner(8, 8, 140, 20);
const QRect SorryBanner(8, 32, 140, 17);

// Enough red pixels to be a few letters, not a stray pixel.
constexpr int BannerTextPixels = 12;

bool isBannerRed(QRgb pixel)
{
    return qRed(pixel) > 150 && qGreen(pixel) < 100 && qBlue(pixel) < 100;
}

bool isBlack(const QColor &colour)
{
    return SlideScreen::isNear(colour, Qt::black, 24);
}

QString colourText(const QColor &colour)
{
    return QStringLiteral("rgb(%1,%2,%3)").arg(colour.red()).arg(colour.green()).arg(colour.blue());
}

} // namespace

SlideScreen::SlideScreen(const QImage &screenshot, const QRect &client)
    : m_screenshot(screenshot)
    , m_client(client.intersected(screenshot.rect()))
{
}

bool SlideScreen::isNear(const QColor &seen, const QColor &wanted, int tolerance)
{
    return qAbs(seen.red() - wanted.red()) <= tolerance && qAbs(seen.green() - wanted.green()) <= tolerance
        && qAbs(seen.blue() - wanted.blue()) <= tolerance;
}

QColor SlideScreen::middle() const
{
    return isValid() ? m_screenshot.pixelColor(m_client.center()) : QColor();
}

QColor SlideScreen::leftEdge() const
{
    return isValid() ? m_screenshot.pixelColor(m_client.left() + 4, m_client.center().y()) : QColor();
}

int SlideScreen::bannerRedPixels(const QRect &banner) const
{
    if (!isValid())
        return 0;
    const QRect area = banner.translated(m_client.topLeft()).intersected(m_client);
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            count += isBannerRed(m_screenshot.pixel(x, y)) ? 1 : 0;
    }
    return count;
}

bool SlideScreen::showsPausedBanner() const
{
    return bannerRedPixels(PausedBanner) >= BannerTextPixels;
}

bool SlideScreen::showsSorryBanner() const
{
    return bannerRedPixels(SorryBanner) >= BannerTextPixels;
}

bool SlideScreen::showsPicture(const QColor &colour) const
{
    return isValid() && isNear(middle(), colour) && isBlack(leftEdge()) && !showsSorryBanner();
}

bool SlideScreen::showsCannotDisplay() const
{
    return isValid() && isBlack(middle()) && isBlack(leftEdge()) && showsSorryBanner();
}

QString SlideScreen::describe() const
{
    if (!isValid())
        return QStringLiteral("no slide window on screen");
    return QStringLiteral("slide window at %1,%2 %3x%4: middle %5, left edge %6, paused banner %7, Sorry banner %8")
        .arg(m_client.x())
        .arg(m_client.y())
        .arg(m_client.width())
        .arg(m_client.height())
        .arg(colourText(middle()), colourText(leftEdge()),
             showsPausedBanner() ? QStringLiteral("up") : QStringLiteral("down"),
             showsSorryBanner() ? QStringLiteral("up") : QStringLiteral("down"));
}
