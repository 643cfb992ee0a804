#pragma once

#include "platform/PictureLoader.h"
#include "show/PictureLayout.h"

#include <QString>

// What the show engine asks of the window that shows it.
class ShowView
{
public:
    virtual ~ShowView() = default;

    // The window as the layout sees it now: outer size, bar, frame allowances.
    virtual SlideFrame frame() const = 0;
    virtual double devicePixelRatio() const = 0;
    virtual bool isMinimised() const = 0;

    // The position bar follows the show; that move is not one of the user's.
    virtual void followPosition(int index) = 0;
    // The paused banner's text, for the picture the show is on ("|| Paused - " + path).
    virtual void setPausedCaption(const QString &path) = 0;
    virtual void setPausedBannerVisible(bool visible) = 0;
    // The picture arrived: draw it at `geometry` (twips), the banner of failure hidden.
    virtual void showPicture(const DecodedPicture &picture, const PictureGeometry &geometry) = 0;
    // The picture could not be shown: no picture, the "Sorry" banner.
    virtual void showCannotDisplay(const QString &path) = 0;
};
