#pragma once

#include "show/SlideWindowKind.h"

#include <QMenu>

class QAction;

// `MenuPopup`: the pop-up menu a click on a slide window opens. Its captions are the program's
// own words, blanks and access keys included; three of them read differently in the
// full-screen window.
class SlideMenu : public QMenu
{
    Q_OBJECT
public:
    explicit SlideMenu(SlideWindowKind kind, QWidget *parent = nullptr);

    QAction *MenuPrevious = nullptr;
    QAction *MenuNext = nullptr;
    QAction *MenuPause = nullptr;
    QAction *MenuActual = nullptr;
    QAction *MenuEnlarge = nullptr;
    QAction *MenuShrink = nullptr;
    QAction *MenuZoom = nullptr;
    QAction *MenuEdit = nullptr;
    QAction *MenuMinimise = nullptr;
    QAction *MenuQuit = nullptr;
    QAction *MenuEsc = nullptr;
    QAction *MenuHide = nullptr; // only closes the menu
    QAction *MenuExit = nullptr;
};
