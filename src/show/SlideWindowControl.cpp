// Driving a running show: keys, mouse, pop-up menu, position bar and the ways out. The rules
// behind each handler are the show engine's.
#include "show/SlideWindow.h"

#include "show/ClickableLabel.h"
#include "show/PictureView.h"
#include "show/ShowEngine.h"
#include "show/ShowTimer.h"
#include "show/SlideHost.h"
#include "show/SlideMenu.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

namespace {

// Every command of a show: the key that gives it (Shift, Ctrl and Alt play no part), the pop-up
// menu entry that gives it, and its handler.
struct ShowCommand
{
    int key; // Qt::Key
    QAction *SlideMenu::*entry;
    void (SlideWindow::*handler)();
};

constexpr ShowCommand ShowCommands[] = {
    {Qt::Key_Left, &SlideMenu::MenuPrevious, &SlideWindow::MenuPrevious_Click},
    {Qt::Key_Right, &SlideMenu::MenuNext, &SlideWindow::MenuNext_Click},
    {Qt::Key_Space, &SlideMenu::MenuPause, &SlideWindow::MenuPause_Click},
    {Qt::Key_A, &SlideMenu::MenuActual, &SlideWindow::MenuActual_Click},
    {Qt::Key_Up, &SlideMenu::MenuEnlarge, &SlideWindow::MenuEnlarge_Click},
    {Qt::Key_Down, &SlideMenu::MenuShrink, &SlideWindow::MenuShrink_Click},
    {Qt::Key_Z, &SlideMenu::MenuZoom, &SlideWindow::MenuZoom_Click},
    {Qt::Key_E, &SlideMenu::MenuEdit, &SlideWindow::MenuEdit_Click},
    {Qt::Key_M, &SlideMenu::MenuMinimise, &SlideWindow::MenuMinimise_Click},
    {Qt::Key_Q, &SlideMenu::MenuQuit, &SlideWindow::MenuQuit_Click},
    {Qt::Key_Escape, &SlideMenu::MenuEsc, &SlideWindow::MenuEsc_Click},
    {Qt::Key_X, &SlideMenu::MenuExit, &SlideWindow::MenuExit_Click},
    // MenuHide has neither key nor handler: choosing it closes the menu, as any choice does.
};

} // namespace

void SlideWindow::wireHandlers()
{
    connect(ScrollBar, &QScrollBar::valueChanged, this, &SlideWindow::ScrollBar_Change);
    connect(LabelPAUSED, &ClickableLabel::clicked, this, &SlideWindow::LabelPAUSED_Click);
    connect(m_engine, &ShowEngine::pictureLanded, this, &SlideWindow::pictureShown);
    connect(m_engine, &ShowEngine::runningChanged, this, &SlideWindow::updateScreenAwake);
    for (const ShowCommand &command : ShowCommands)
        connect(MenuPopup->*command.entry, &QAction::triggered, this, command.handler);
}

bool SlideWindow::isPaused() const
{
    return m_engine->isPaused();
}

void SlideWindow::Timer1_Timer()
{
    m_engine->tick();
}

void SlideWindow::Form_KeyDown(int keyCode)
{
    for (const ShowCommand &command : ShowCommands) {
        if (command.key == keyCode) {
            (this->*command.handler)();
            return;
        }
    }
}

void SlideWindow::Form_Click()
{
    MenuPopup->popup(QCursor::pos());
}

void SlideWindow::ScrollBar_Change()
{
    if (m_barFollows)
        m_engine->barMoved(ScrollBar->value());
}

bool SlideWindow::ScrollBar_KeyDown(int keyCode)
{
    if (keyCode == Qt::Key_Left || keyCode == Qt::Key_Right)
        return true;
    // The bar itself stays still, so that Up zooms without also moving the show.
    Form_KeyDown(keyCode);
    return false;
}

void SlideWindow::LabelPAUSED_Click()
{
    m_engine->resume();
}

void SlideWindow::MenuPrevious_Click()
{
    m_engine->previous();
}

void SlideWindow::MenuNext_Click()
{
    m_engine->next();
}

void SlideWindow::MenuPause_Click()
{
    if (!m_host.singlePicture())
        m_engine->togglePause();
}

void SlideWindow::MenuActual_Click()
{
    m_engine->chooseSizing(PictureSizing::ActualSize);
}

void SlideWindow::MenuZoom_Click()
{
    m_engine->chooseSizing(PictureSizing::ExpandWithoutDistorting);
}

// The zoom steps move the picture's geometry only; the next layout starts afresh.
void SlideWindow::MenuEnlarge_Click()
{
    PictureGeometry geometry = Image1->pictureGeometry();
    if (zoomLarger(geometry))
        Image1->setPictureGeometry(geometry);
}

void SlideWindow::MenuShrink_Click()
{
    PictureGeometry geometry = Image1->pictureGeometry();
    zoomSmaller(geometry);
    Image1->setPictureGeometry(geometry);
}

void SlideWindow::MenuEdit_Click()
{
    m_engine->editCurrent();
}

void SlideWindow::MenuMinimise_Click()
{
    if (!m_host.singlePicture())
        m_engine->pause();
    showMinimized();
}

void SlideWindow::MenuQuit_Click()
{
    quitToMenu();
}

void SlideWindow::MenuEsc_Click()
{
    quitToMenu();
}

void SlideWindow::quitToMenu()
{
    m_engine->end();
    if (!isMinimized() && m_kind == SlideWindowKind::Bordered && m_host.displayKind() != DisplayKind::FullScreen)
        recordPlacement();
    m_host.showMainWindow();
    hide();
}

void SlideWindow::MenuExit_Click()
{
    quitToMenu();
    m_host.exitProgram();
}

bool SlideWindow::Form_QueryUnload()
{
    m_engine->end();
    if (isMinimized()) {
        m_host.saveSettings();
        m_host.endProgram();
        return false;
    }
    m_host.showMainWindow();
    hide();
    return true;
}

void SlideWindow::Form_Unload()
{
    Timer1->setEnabled(false);
    if (!isMinimized() && m_kind == SlideWindowKind::Bordered && m_host.displayKind() != DisplayKind::FullScreen)
        recordPlacement();
    m_host.showMainWindow();
}

void SlideWindow::closeEvent(QCloseEvent *event)
{
    // A window that is not on screen runs no show to end.
    if (isVisible() && Form_QueryUnload())
        Form_Unload();
    event->accept();
}

void SlideWindow::keyPressEvent(QKeyEvent *event)
{
    Form_KeyDown(event->key());
}

void SlideWindow::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressedButton = event->button();
    // A left click on the paused banner resumes the show and opens no menu.
    m_pressOnBanner = !LabelPAUSED->isHidden()
        && LabelPAUSED->geometry().contains(event->position().toPoint());
}

void SlideWindow::mouseReleaseEvent(QMouseEvent *event)
{
    const Qt::MouseButton pressed = m_pressedButton;
    m_pressedButton = Qt::NoButton;
    if (event->button() != pressed || pressed == Qt::NoButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (pressed == Qt::LeftButton && m_pressOnBanner)
        return;
    Form_Click();
}

void SlideWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Image1->setGeometry(rect());
    applyPendingPlacement();
    if (frameGeometry().size() != m_laidOutFrameSize)
        scheduleResize();
}

void SlideWindow::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    applyPendingPlacement();
}

void SlideWindow::updateScreenAwake()
{
    m_host.keepScreenAwake(m_engine->isRunning() && isVisible() && !isMinimized());
}

void SlideWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateScreenAwake();
}

void SlideWindow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateScreenAwake();
}

void SlideWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        updateScreenAwake();
    // Coming back from the task bar lays the picture out again, like any resize.
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) {
        m_relayoutWanted = true;
        scheduleResize();
    }
}

// Resize events come in bursts while the user drags the frame; the picture is laid out once
// per burst.
void SlideWindow::scheduleResize()
{
    if (m_resizeQueued)
        return;
    m_resizeQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_resizeQueued = false;
        const bool wanted = m_relayoutWanted || frameGeometry().size() != m_laidOutFrameSize;
        m_relayoutWanted = false;
        if (wanted)
            Form_Resize();
    });
}

bool SlideWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ScrollBar && event->type() == QEvent::KeyPress)
        return !ScrollBar_KeyDown(static_cast<QKeyEvent *>(event)->key());
    return QWidget::eventFilter(watched, event);
}
