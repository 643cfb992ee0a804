#pragma once

#include "show/PictureLayout.h"
#include "show/ShowView.h"
#include "show/SlideWindowKind.h"

#include <QRect>
#include <QWidget>

#include <optional>

class ClickableLabel;
class PictureView;
class QLabel;
class QScrollBar;
class ShowEngine;
class ShowTimer;
class SlideHost;
class SlideMenu;

// A slide window: shows the ticked entries of the main window's file list one by one, on a
// timer, with keys, a pop-up menu and a position bar to drive the show. The bordered kind is
// an ordinary window placed where the user last left it; the full-screen kind has no border
// and covers the screen the main window is on.
//
// The handlers carry the names the rest of the program knows them by; they read the window's
// controls and leave the show's rules to its ShowEngine, so that the main window and the tests
// can drive a show step by step. Pictures are decoded off this window's thread: a handler never
// waits for one.
class SlideWindow : public QWidget, private ShowView
{
    Q_OBJECT
public:
    // The position bar's height in twips.
    static constexpr int BarHeightTwips = 255;

    // Runs Form_Load.
    SlideWindow(SlideWindowKind kind, SlideHost &host, QWidget *parent = nullptr);
    ~SlideWindow() override;

    SlideWindowKind kind() const { return m_kind; }
    ShowEngine &engine() const { return *m_engine; }

    // Placement of the bordered window from SlideTop/Left/Width/Height: twips, outer size
    // (frame included), 15 twips per logical pixel. Ignored unless the window state is normal.
    void applyPlacement(qint16 top, qint16 left, qint16 width, qint16 height);
    // Neither minimised nor maximised (nor full screen).
    bool isWindowStateNormal() const;
    // Starts the show (Form_Activate, which asks for the first picture at once) and shows the
    // window: bordered as placed, full screen over the main window's screen. The first picture
    // is decoded while the window is being mapped.
    void present();

    // Show state.
    bool pictureBusy() const;
    bool barFollows() const { return m_barFollows; }
    // Paused: the timer is off and the paused banner is up.
    bool isPaused() const;
    // True once the picture after the current one has been decoded in the background.
    bool nextPictureReady() const;

    // Window events.
    void Form_Load();
    void Form_Activate();
    void Form_Resize();
    // Returns true when the close goes on to Form_Unload, false when the program was ended.
    bool Form_QueryUnload();
    void Form_Unload();
    // A Qt key code (Qt::Key); modifiers play no part.
    void Form_KeyDown(int keyCode);
    // Opens the pop-up menu at the mouse position.
    void Form_Click();

    // Picture routines.
    void fnShowPicture();
    void fnNextPicture();
    void fnPreviousPicture();

    // Control events.
    void Timer1_Timer();
    void ScrollBar_Change();
    // Returns true when the key stays with the bar (Left and Right arrow); every other key has
    // been handed to Form_KeyDown and the bar does not act on it.
    bool ScrollBar_KeyDown(int keyCode);
    void LabelPAUSED_Click();

    // Pop-up menu entries.
    void MenuPrevious_Click();
    void MenuNext_Click();
    void MenuPause_Click();
    void MenuActual_Click();
    void MenuEnlarge_Click();
    void MenuShrink_Click();
    void MenuZoom_Click();
    void MenuEdit_Click();
    void MenuMinimise_Click();
    void MenuQuit_Click();
    void MenuEsc_Click();
    void MenuExit_Click();

    // Children, named as the rest of the program knows them.
    PictureView *Image1 = nullptr;
    QScrollBar *ScrollBar = nullptr;
    ShowTimer *Timer1 = nullptr;
    QLabel *LabelSorry = nullptr;
    ClickableLabel *LabelPAUSED = nullptr;
    SlideMenu *MenuPopup = nullptr;

Q_SIGNALS:
    // The picture asked for last is on screen, or its "Sorry" banner is.
    void pictureShown();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // What the show engine asks of the window.
    SlideFrame frame() const override;
    double devicePixelRatio() const override;
    bool isMinimised() const override;
    void followPosition(int index) override;
    void setPausedCaption(const QString &path) override;
    void setPausedBannerVisible(bool visible) override;
    void showPicture(const DecodedPicture &picture, const PictureGeometry &geometry) override;
    void showCannotDisplay(const QString &path) override;

    void buildControls();
    void wireHandlers();
    void placeBar();
    void quitToMenu();
    void recordPlacement();
    void scheduleResize();
    void applyPendingPlacement();
    // A show that runs on screen keeps the screen awake; paused, minimised or gone, it does not.
    void updateScreenAwake();

    const SlideWindowKind m_kind;
    SlideHost &m_host;
    ShowEngine *m_engine = nullptr;
    bool m_barFollows = false;
    // Outer placement asked for before the window manager's frame was known; applied again
    // once it is, so that the stored outer size does not grow by the frame at every show.
    std::optional<QRect> m_pendingPlacement;
    bool m_resizeQueued = false;
    bool m_relayoutWanted = false;
    QSize m_laidOutFrameSize;
    Qt::MouseButton m_pressedButton = Qt::NoButton;
    bool m_pressOnBanner = false;
};
