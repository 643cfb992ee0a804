#pragma once

#include "Desktop.h"

#include <QList>
#include <QSize>

class PictarraRun;

// The windows of one running copy of the program on the test desktop, told apart by the main
// window's fixed client size: no other window of the program has it.
namespace ProgramWindows {

inline constexpr QSize MainWindowClient(982, 537);

QList<Desktop::WindowId> mainWindows(qint64 pid);
// Every other visible window of the process (a slide window, a message box).
QList<Desktop::WindowId> otherWindows(qint64 pid);
// The main window's own golden background shows on screen, so it is really drawn.
bool mainWindowGoldShows(Desktop::WindowId window);
// Waits until the program shows its main window and nothing else, drawn; 0 when that did not
// happen in time or the program ended first.
Desktop::WindowId waitForMainWindow(const PictarraRun &run);

} // namespace ProgramWindows
