#include "platform/QtScreenInfo.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

QSize QtScreenInfo::screenSize() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(1024, 768);
}

QRect QtScreenInfo::screenGeometryOf(const QWidget *window) const
{
    const QScreen *screen = window ? window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}
