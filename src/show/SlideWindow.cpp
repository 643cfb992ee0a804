// The slide window itself: its controls, the start of a show and the picture on screen.
#include "show/SlideWindow.h"

#include "files/FileList.h"
#include "platform/LocalPath.h"
#include "show/ClickableLabel.h"
#include "show/PictureView.h"
#include "show/ShowEngine.h"
#include "show/ShowTimer.h"
#include "show/SlideHost.h"
#include "show/SlideMenu.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <limits>

namespace {

constexpr int TwipsPerPixel = 15;
// The bordered window's allowances for its frame and title bar.
constexpr int FrameAllowanceWidth = 120;
constexpr int FrameAllowanceHeight = 480;

constexpr int pixels(int twips)
{
    return twips / TwipsPerPixel;
}

qint16 clampedTwips(int pixels)
{
    const qint64 twips = qint64(pixels) * TwipsPerPixel;
    return qint16(std::clamp<qint64>(twips, std::numeric_limits<qint16>::min(),
                                     std::numeric_limits<qint16>::max()));
}

QColor bannerRed()
{
    return QColor(255, 0, 0);
}

} // namespace

SlideWindow::SlideWindow(SlideWindowKind kind, SlideHost &host, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_kind(kind)
    , m_host(host)
{
    setAttribute(Qt::WA_DeleteOnClose);
    if (m_kind == SlideWindowKind::FullScreen) {
        setWindowFlag(Qt::FramelessWindowHint);
    } else {
        setWindowTitle(QStringLiteral("Pictarra"));
        // A stored size of 0 (or one a user shrank away) must still give a window one can
        // see and grab.
        setMinimumSize(160, 120);
    }
    // Only the position bar takes the keyboard focus; without it the window gets the keys.
    setFocusPolicy(Qt::NoFocus);
    m_engine = new ShowEngine(host, *this, this);
    buildControls();
    wireHandlers();
    Form_Load();
}

SlideWindow::~SlideWindow()
{
    // Nothing decoded for this show may arrive once the window is gone, and the screen may
    // sleep again.
    m_engine->end();
    m_host.keepScreenAwake(false);
}

void SlideWindow::buildControls()
{
    QFont windowFont(QStringLiteral("Verdana"));
    windowFont.setPointSizeF(8.25);
    setFont(windowFont);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    QPalette banner = black;
    banner.setColor(QPalette::WindowText, bannerRed());

    Image1 = new PictureView(m_host.pictureLoader(), this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Image1->setGeometry(rect());

    LabelSorry = new QLabel(QStringLiteral("Sorry - image could not be loaded"), this);
    LabelSorry->setObjectName(QStringLiteral("LabelSorry"));
    LabelSorry->setTextFormat(Qt::PlainText);
    LabelSorry->setPalette(banner);
    LabelSorry->setAutoFillBackground(true);
    LabelSorry->setGeometry(pixels(120), pixels(480), pixels(3135), pixels(255));
    // The banner spans the window; a click on it is a click on the window.
    LabelSorry->setAttribute(Qt::WA_TransparentForMouseEvents);
    LabelSorry->setAccessibleName(LabelSorry->text());
    LabelSorry->hide();

    LabelPAUSED = new ClickableLabel(QStringLiteral("||  PAUSED"), this);
    LabelPAUSED->setObjectName(QStringLiteral("LabelPAUSED"));
    LabelPAUSED->setTextFormat(Qt::PlainText);
    LabelPAUSED->setPalette(banner);
    LabelPAUSED->setAutoFillBackground(true);
    QFont bannerFont(QStringLiteral("Arial"));
    bannerFont.setPointSizeF(9.75);
    bannerFont.setBold(true);
    LabelPAUSED->setFont(bannerFont);
    LabelPAUSED->setGeometry(pixels(120), pixels(120), pixels(1335), pixels(300));
    LabelPAUSED->setToolTip(QStringLiteral("Press SPACE or click HERE to continue"));
    LabelPAUSED->setAccessibleName(LabelPAUSED->text());
    LabelPAUSED->setAccessibleDescription(LabelPAUSED->toolTip());
    LabelPAUSED->hide();

    ScrollBar = new QScrollBar(Qt::Horizontal, this);
    ScrollBar->setObjectName(QStringLiteral("ScrollBar"));
    ScrollBar->setMinimum(0);
    ScrollBar->setSingleStep(1);
    ScrollBar->setPageStep(1);
    // A drag reports its value once, when the thumb is let go: one change, one picture.
    ScrollBar->setTracking(false);
    // Qt's scroll bars invert their keys by default; Right must move on, Left back.
    ScrollBar->setInvertedControls(false);
    ScrollBar->setFocusPolicy(Qt::StrongFocus);
    ScrollBar->setFixedHeight(pixels(BarHeightTwips));
    ScrollBar->setAccessibleName(QStringLiteral("Position in the play list"));
    ScrollBar->installEventFilter(this);

    Timer1 = m_engine->timer();
    Timer1->setObjectName(QStringLiteral("Timer1"));

    MenuPopup = new SlideMenu(m_kind, this);
    MenuPopup->setObjectName(QStringLiteral("MenuPopup"));
}

void SlideWindow::Form_Load()
{
    // The hand pointer belongs to the paused banner, which resumes the show when clicked.
    if (m_host.handCursorFound())
        LabelPAUSED->setCursor(Qt::PointingHandCursor);
    if (m_kind == SlideWindowKind::Bordered && m_host.displayKind() == DisplayKind::WindowOnTop)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const FileList &list = m_host.playList();
    ScrollBar->setMaximum(list.count() - 1);
    ScrollBar->setValue(list.currentIndex());
    m_barFollows = true;
    unsetCursor();
}

void SlideWindow::present()
{
    // The geometry first, so that the first picture is decoded for the size it is shown at,
    // and that decode runs while the window is being mapped.
    if (m_kind == SlideWindowKind::FullScreen) {
        QScreen *screen = m_host.screen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen) {
            setScreen(screen);
            setGeometry(screen->geometry());
        }
    }
    placeBar();
    Form_Activate();
    if (m_kind == SlideWindowKind::FullScreen)
        showFullScreen();
    else
        show();
    raise();
    activateWindow();
}

void SlideWindow::Form_Activate()
{
    const FileList &list = m_host.playList();
    m_barFollows = false;
    ScrollBar->setMaximum(list.count() - 1);
    m_barFollows = true;
    m_laidOutFrameSize = frameGeometry().size();
    m_engine->begin();

    // After the first picture was asked for, which is therefore laid out for the bar as it was.
    ScrollBar->setVisible(m_host.positionBarWanted());
    ScrollBar->setEnabled(!m_host.singlePicture());
    if (!ScrollBar->isHidden() && ScrollBar->isEnabled())
        ScrollBar->setFocus(Qt::OtherFocusReason);
}

void SlideWindow::Form_Resize()
{
    if (!isVisible() || isMinimized())
        return;
    placeBar();
    if (m_kind == SlideWindowKind::Bordered && m_host.displayKind() != DisplayKind::FullScreen)
        recordPlacement();
    m_laidOutFrameSize = frameGeometry().size();
    m_engine->relayout();
}

void SlideWindow::placeBar()
{
    const QSize outer = frameGeometry().size();
    const int height = ScrollBar->height();
    if (m_kind == SlideWindowKind::Bordered) {
        ScrollBar->setGeometry(0, outer.height() - height - pixels(FrameAllowanceHeight),
                               outer.width() - pixels(FrameAllowanceWidth), height);
    } else {
        ScrollBar->setGeometry(0, outer.height() - height, outer.width(), height);
    }
}

void SlideWindow::recordPlacement()
{
    const QRect outer = frameGeometry();
    m_host.recordSlidePlacement(clampedTwips(outer.top()), clampedTwips(outer.left()), clampedTwips(outer.width()),
                                clampedTwips(outer.height()));
}

bool SlideWindow::isWindowStateNormal() const
{
    return !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

void SlideWindow::applyPlacement(qint16 top, qint16 left, qint16 width, qint16 height)
{
    if (!isWindowStateNormal())
        return;
    QRect outer(qRound(left / double(TwipsPerPixel)), qRound(top / double(TwipsPerPixel)),
                qRound(width / double(TwipsPerPixel)), qRound(height / double(TwipsPerPixel)));
    // A placement stored on a larger or another screen would leave the window partly out of
    // reach: it is brought onto the screen it is mostly on (else the main window's), as Qt's
    // own geometry restore does.
    const QScreen *target = QGuiApplication::screenAt(outer.center());
    if (!target)
        target = screen();
    if (target) {
        const QRect area = target->availableGeometry();
        outer.setSize(outer.size().boundedTo(area.size()));
        outer.moveLeft(qBound(area.left(), outer.left(), area.right() + 1 - outer.width()));
        outer.moveTop(qBound(area.top(), outer.top(), area.bottom() + 1 - outer.height()));
    }
    const QSize frameSize = frameGeometry().size() - size();
    move(outer.topLeft());
    resize(outer.size() - frameSize);
    const bool frameKnown = testAttribute(Qt::WA_WState_Created) && !frameSize.isNull();
    m_pendingPlacement = frameKnown ? std::nullopt : std::optional<QRect>(outer);
}

void SlideWindow::applyPendingPlacement()
{
    if (!m_pendingPlacement || frameGeometry().size() == size())
        return;
    const QRect outer = *m_pendingPlacement;
    m_pendingPlacement.reset();
    move(outer.topLeft());
    resize(outer.size() - (frameGeometry().size() - size()));
}

bool SlideWindow::pictureBusy() const
{
    return m_engine->pictureBusy();
}

bool SlideWindow::nextPictureReady() const
{
    return m_engine->nextPictureReady();
}

void SlideWindow::fnShowPicture()
{
    m_laidOutFrameSize = frameGeometry().size();
    m_engine->showCurrent();
}

void SlideWindow::fnNextPicture()
{
    m_engine->stepForward();
}

void SlideWindow::fnPreviousPicture()
{
    m_engine->stepBackward();
}

SlideFrame SlideWindow::frame() const
{
    SlideFrame frame;
    const QSize outer = frameGeometry().size();
    frame.outerWidth = outer.width() * TwipsPerPixel;
    frame.outerHeight = outer.height() * TwipsPerPixel;
    frame.barHeight = ScrollBar->isHidden() ? 0 : ScrollBar->height() * TwipsPerPixel;
    frame.bordered = m_kind == SlideWindowKind::Bordered;
    return frame;
}

double SlideWindow::devicePixelRatio() const
{
    return devicePixelRatioF();
}

bool SlideWindow::isMinimised() const
{
    return isMinimized();
}

void SlideWindow::followPosition(int index)
{
    m_barFollows = false;
    ScrollBar->setValue(index);
    m_barFollows = true;
}

void SlideWindow::setPausedCaption(const QString &path)
{
    const QString caption = QStringLiteral("|| Paused - ") + LocalPath::displayText(path);
    LabelPAUSED->setText(caption);
    LabelPAUSED->setAccessibleName(caption);
    LabelPAUSED->resize(pixels(120) * int(caption.length()), LabelPAUSED->height());
}

void SlideWindow::setPausedBannerVisible(bool visible)
{
    LabelPAUSED->setVisible(visible);
}

void SlideWindow::showPicture(const DecodedPicture &picture, const PictureGeometry &geometry)
{
    LabelSorry->hide();
    if (Image1->picture().image.cacheKey() != picture.image.cacheKey() || Image1->picture().path != picture.path)
        Image1->setPicture(picture);
    Image1->setPictureGeometry(geometry);
    Image1->show();
}

void SlideWindow::showCannotDisplay(const QString &path)
{
    Image1->hide();
    Image1->clearPicture();
    LabelSorry->resize(qMax(0, frameGeometry().width() - LabelSorry->x()), LabelSorry->height());
    LabelSorry->setText(QStringLiteral("Sorry, ") + LocalPath::displayText(path)
                        + QStringLiteral(" could not be displayed."));
    LabelSorry->setAccessibleName(LabelSorry->text());
    LabelSorry->show();
}
