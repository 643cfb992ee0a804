#include "show/SlideMenu.h"

#include <QAction>

SlideMenu::SlideMenu(SlideWindowKind kind, QWidget *parent)
    : QMenu(QStringLiteral("PICTARRA"), parent)
{
    const bool fullScreen = kind == SlideWindowKind::FullScreen;
    MenuPrevious = addAction(QStringLiteral("<-            &Previous"));
    MenuNext = addAction(QStringLiteral("->            &Next"));
    MenuPause = addAction(fullScreen ? QStringLiteral("(space)    Pause orResume")
                                     : QStringLiteral("(space)    Pause or Resume"));
    MenuActual = addAction(fullScreen ? QStringLiteral("A             &Actual size")
                                      : QStringLiteral("A              &Actual size"));
    MenuEnlarge = addAction(QStringLiteral("(up arrow) &Larger size"));
    MenuShrink = addAction(QStringLiteral("(dn arrow) &Smaller size"));
    MenuZoom = addAction(QStringLiteral("Z              &Zoom (to fit)"));
    MenuEdit = addAction(QStringLiteral("E              &Edit or Print"));
    MenuMinimise = addAction(QStringLiteral("M             &Minimise"));
    MenuQuit = addAction(QStringLiteral("Q             &Quit to menu"));
    MenuEsc = addAction(QStringLiteral("(escape)  Quit to menu"));
    MenuHide = addAction(QStringLiteral("(close/hide these options)"));
    MenuExit = addAction(fullScreen ? QStringLiteral("X             eXit the program")
                                    : QStringLiteral("X              E&XIT program"));
}
