#pragma once

#include <QRect>
#include <QSize>

class QWidget;

// Size of the screen the program starts on, in logical pixels.
class ScreenInfo
{
public:
    virtual ~ScreenInfo() = default;
    virtual QSize screenSize() const = 0;
    // Geometry of the screen that shows the given window (the primary one when unknown).
    virtual QRect screenGeometryOf(const QWidget *window) const = 0;
};
