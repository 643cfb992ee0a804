#include "platform/QtProgramEnd.h"

#include <QApplication>
#include <QWidget>

void QtProgramEnd::endProgram()
{
    if (m_ended)
        return;
    m_ended = true;
    // Hiding runs no close handling; leaving the loop drops every pending event.
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows)
        window->hide();
    QCoreApplication::exit(0);
}
