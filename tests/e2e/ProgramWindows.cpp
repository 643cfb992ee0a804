#include "ProgramWindows.h"

#include "PictarraRun.h"
#include "SlideScreen.h"

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QTest>

namespace {

const QColor MainWindowGold(255, 225, 24);
// Client points where the main window's background shows between its controls.
const QList<QPoint> MainWindowGoldPoints{{4, 300}, {3, 520}, {490, 409}};

} // namespace

QList<Desktop::WindowId> ProgramWindows::mainWindows(qint64 pid)
{
    QList<Desktop::WindowId> found;
    for (Desktop::WindowId window : Desktop::visibleWindows(pid)) {
        if (Desktop::clientRect(window).size() == MainWindowClient)
            found << window;
    }
    return found;
}

QList<Desktop::WindowId> ProgramWindows::otherWindows(qint64 pid)
{
    QList<Desktop::WindowId> found;
    for (Desktop::WindowId window : Desktop::visibleWindows(pid)) {
        const QRect client = Desktop::clientRect(window);
        if (!client.isEmpty() && client.size() != MainWindowClient)
            found << window;
    }
    return found;
}

bool ProgramWindows::mainWindowGoldShows(Desktop::WindowId window)
{
    const QRect client = Desktop::clientRect(window);
    const QImage screen = Desktop::screenshot();
    if (client.isEmpty() || screen.isNull())
        return false;
    for (const QPoint &point : MainWindowGoldPoints) {
        const QPoint onScreen = client.topLeft() + point;
        if (!screen.rect().contains(onScreen) || !SlideScreen::isNear(screen.pixelColor(onScreen), MainWindowGold, 8))
            return false;
    }
    return true;
}

Desktop::WindowId ProgramWindows::waitForMainWindow(const PictarraRun &run)
{
    Desktop::WindowId found = 0;
    const bool settled = QTest::qWaitFor(
        [&] {
            const qint64 pid = run.pid();
            const QList<Desktop::WindowId> main = pid ? mainWindows(pid) : QList<Desktop::WindowId>();
            found = main.size() == 1 && otherWindows(pid).isEmpty() && mainWindowGoldShows(main.first()) ? main.first()
                                                                                                          : 0;
            return found != 0 || !run.isRunning();
        },
        Desktop::TimeoutMs);
    return settled ? found : 0;
}
