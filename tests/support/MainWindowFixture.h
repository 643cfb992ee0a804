#pragma once

#include "TestPlatform.h"
#include "app/ProgramState.h"
#include "app/frmMain.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QMouseEvent>

// The main window on test doubles of every platform facility, not yet loaded or shown.
struct MainWindowFixture
{
    TestPlatform platform;
    ProgramState state;
    frmMain window{platform.platform, state};
};

// The mouse moving over a control, as the window's pointer rules see it.
inline void hoverOver(QWidget *widget)
{
    QWidget *target = widget;
    if (auto *view = qobject_cast<QAbstractScrollArea *>(widget))
        target = view->viewport();
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), target->mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}
