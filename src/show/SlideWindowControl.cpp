// Driving a running show: timer, keys, mouse, pop-up menu, position bar and the ways out.
#include "show/SlideWindow.h"

#include "app/ClickableLabel.h"
#include "app/ProgramState.h"
#include "files/FileList.h"
#include "platform/ShellHandoff.h"
#include "show/PicturePrefetcher.h"
#include "show/PictureView.h"
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

#include <utility>

void SlideWindow::wireHandlers()
{
    connect(Timer1, &ShowTimer::timeout, this, &SlideWindow::Timer1_Timer);
    connect(ScrollBar, &QScrollBar::valueChanged, this, &SlideWindow::ScrollBar_Change);
    connect(LabelPAUSED, &ClickableLabel::clicked, this, &SlideWindow::LabelPAUSED_Click);

    const std::pair<QAction *, void (SlideWindow::*)()> entries[] = {
        {MenuPopup->MenuPrevious, &SlideWindow::MenuPrevious_Click},
        {MenuPopup->MenuNext, &SlideWindow::MenuNext_Click},
        {MenuPopup->MenuPause, &SlideWindow::MenuPause_Click},
        {MenuPopup->MenuActual, &SlideWindow::MenuActual_Click},
        {MenuPopup->MenuEnlarge, &SlideWindow::MenuEnlarge_Click},
        {MenuPopup->MenuShrink, &SlideWindow::MenuShrink_Click},
        {MenuPopup->MenuZoom, &SlideWindow::MenuZoom_Click},
        {MenuPopup->MenuEdit, &SlideWindow::MenuEdit_Click},
        {MenuPopup->MenuMinimise, &SlideWindow::MenuMinimise_Click},
        {MenuPopup->MenuQuit, &SlideWindow::MenuQuit_Click},
        {MenuPopup->MenuEsc, &SlideWindow::MenuEsc_Click},
        {MenuPopup->MenuExit, &SlideWindow::MenuExit_Click},
    };
    for (const auto &[action, handler] : entries)
        connect(action, &QAction::triggered, this, handler);
    // MenuHide has no handler: choosing it closes the menu, as any choice does.
}

bool SlideWindow::isPaused() const
{
    return !Timer1->isEnabled() && !LabelPAUSED->isHidden();
}

void SlideWindow::Timer1_Timer()
{
    if (m_host.programState().SinglePicture) {
        Timer1->setEnabled(false);
        return;
    }
    // However the window was minimised, the show waits for the user to come back.
    if (isMinimized()) {
        pause();
        return;
    }
    if (!m_pictureBusy)
        changePicture(&SlideWindow::fnNextPicture);
}

void SlideWindow::changePicture(void (SlideWindow::*move)())
{
    m_pictureBusy = true;
    (this->*move)();
    fnShowPicture();
    m_pictureBusy = false;
}

void SlideWindow::pause()
{
    Timer1->setEnabled(false);
    LabelPAUSED->show();
}

void SlideWindow::resume()
{
    Timer1->setEnabled(true);
    LabelPAUSED->hide();
}

void SlideWindow::togglePause()
{
    if (Timer1->isEnabled())
        pause();
    else
        resume();
}

void SlideWindow::Form_KeyDown(int keyCode)
{
    if (const std::optional<ShowCommand> command = showCommandForKey(keyCode))
        runCommand(*command);
}

void SlideWindow::runCommand(ShowCommand command)
{
    switch (command) {
    case ShowCommand::QuitToMenu:
        MenuQuit_Click();
        break;
    case ShowCommand::EscapeToMenu:
        MenuEsc_Click();
        break;
    case ShowCommand::PauseOrResume:
        MenuPause_Click();
        break;
    case ShowCommand::Previous:
        MenuPrevious_Click();
        break;
    case ShowCommand::Larger:
        MenuEnlarge_Click();
        break;
    case ShowCommand::Next:
        MenuNext_Click();
        break;
    case ShowCommand::Smaller:
        MenuShrink_Click();
        break;
    case ShowCommand::ActualSize:
        MenuActual_Click();
        break;
    case ShowCommand::EditOrPrint:
        MenuEdit_Click();
        break;
    case ShowCommand::Minimise:
        MenuMinimise_Click();
        break;
    case ShowCommand::ExitProgram:
        MenuExit_Click();
        break;
    case ShowCommand::ZoomToFit:
        MenuZoom_Click();
        break;
    }
}

void SlideWindow::Form_Click()
{
    MenuPopup->popup(QCursor::pos());
}

void SlideWindow::ScrollBar_Change()
{
    if (!m_barFollows || m_host.programState().SinglePicture)
        return;
    const FileList &list = m_host.playList();
    m_pictureBusy = true;
    // One step towards the bar, however far it was dragged; the thumb then follows the show.
    if (ScrollBar->value() < list.currentIndex())
        fnPreviousPicture();
    if (list.currentIndex() < ScrollBar->value())
        fnNextPicture();
    fnShowPicture();
    m_pictureBusy = false;
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
    resume();
}

void SlideWindow::MenuPrevious_Click()
{
    if (!m_host.programState().SinglePicture)
        changePicture(&SlideWindow::fnPreviousPicture);
}

void SlideWindow::MenuNext_Click()
{
    if (!m_host.programState().SinglePicture)
        changePicture(&SlideWindow::fnNextPicture);
}

void SlideWindow::MenuPause_Click()
{
    if (!m_host.programState().SinglePicture)
        togglePause();
}

void SlideWindow::MenuActual_Click()
{
    m_host.selectSizingOption(int(PictureSizing::ActualSize));
    fnShowPicture();
}

void SlideWindow::MenuZoom_Click()
{
    m_host.selectSizingOption(int(PictureSizing::ExpandWithoutDistorting));
    fnShowPicture();
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
    const FileList &list = m_host.playList();
    if (list.currentIndex() < 0)
        return;
    if (m_host.shell().openFile(list.entry(list.currentIndex())) && !m_host.programState().SinglePicture)
        togglePause();
}

void SlideWindow::MenuMinimise_Click()
{
    if (!m_host.programState().SinglePicture)
        pause();
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
    Timer1->setEnabled(false);
    if (!isMinimized() && m_kind == SlideWindowKind::Bordered && m_host.displayKind() != 0)
        recordPlacement();
    m_host.showMainWindow();
    hide();
    // No show, no picture decoded ahead.
    m_prefetcher->clear();
}

void SlideWindow::MenuExit_Click()
{
    quitToMenu();
    m_host.exitProgram();
}

bool SlideWindow::Form_QueryUnload()
{
    Timer1->setEnabled(false);
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
    if (!isMinimized() && m_kind == SlideWindowKind::Bordered && m_host.displayKind() != 0)
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

void SlideWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // Coming back from the task bar lays the picture out again, like any resize.
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) {
        m_relayoutWanted = true;
        scheduleResize();
    }
}

// Resize events come in bursts while the user drags the frame; the picture is read and laid
// out once per burst.
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
