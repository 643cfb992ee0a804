#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

// What a person sees of a bordered slide window in one screenshot, read from a few pixels and
// small regions only: the colour in the middle (where every picture of the tests lies), the
// background at the left edge, and the red of the two banners at the top left.
class SlideScreen
{
public:
    // `client` is the slide window's client area in screen coordinates.
    SlideScreen(const QImage &screenshot, const QRect &client);

    bool isValid() const { return !m_screenshot.isNull() && !m_client.isEmpty(); }

    QColor middle() const;
    QColor leftEdge() const;
    // The paused banner "|| Paused - <path>" is up.
    bool showsPausedBanner() const;
    // The banner "Sorry, <path> could not be displayed." is up.
    bool showsSorryBanner() const;

    // A picture of this colour is in the middle on the black background, without the
    // "Sorry" banner.
    bool showsPicture(const QColor &colour) const;
    // No picture, just the "Sorry" banner on black.
    bool showsCannotDisplay() const;

    // For failure messages.
    QString describe() const;

    // Channel by channel within `tolerance`: pictures pass through JPEG and scaling.
    static bool isNear(const QColor &seen, const QColor &wanted, int tolerance = 48);

private:
    int bannerRedPixels(const QRect &banner) const;

    QImage m_screenshot;
    QRect m_client;
};
