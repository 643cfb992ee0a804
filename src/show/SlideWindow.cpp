// The slide window itself: its controls, the start of a show and the picture on screen.
#include "show/SlideWindow.h"

#include "app/ClickableLabel.h"
#include "app/ProgramState.h"
#include "files/FileList.h"
#include "platform/LocalPath.h"
#include "platform/PictureLoader.h"
#include "settings/NumericText.h"
#include "show/PicturePrefetcher.h"
#include "show/PictureView.h"
#include "show/ShowTimer.h"
#include "show/SlideHost.h"
#include "show/SlideMenu.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int TwipsPerPixel = 15;
// The bordered window's allowances for its frame and title bar.
constexpr int FrameAllowanceWidth = 120;
constexpr int FrameAllowanceHeight = 480;
// The largest preview copy handed to the main window; its box is smaller still.
constexpr int PreviewMaxPixels = 256;

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

// The size a picture is shown at, in device pixels: the decoder need not produce more. Runs
// on the prefetcher's worker thread too, so it works on values only.
PicturePrefetcher::DecodeSizeFor decodeSizeFor(PictureSizing sizing, const SlideFrame &frame, double ratio)
{
    return [sizing, frame, ratio](QSize naturalSize) {
        if (sizing == PictureSizing::ActualSize || naturalSize.isEmpty())
            return QSize();
        const PictureGeometry geometry = fnLayoutPicture(sizing, frame, naturalSize.width() * TwipsPerPixel,
                                                         naturalSize.height() * TwipsPerPixel);
        const auto devicePixels = [ratio](double twips) {
            return qMax(1, int(std::ceil(std::abs(twips) / TwipsPerPixel * ratio)));
        };
        return QSize(devicePixels(geometry.width), devicePixels(geometry.height));
    };
}

// The next ticked entry from `start` in the given direction, wrapping at the ends: `start`
// itself when it is the only ticked entry, -1 when none is ticked. A start of -1 counts as
// before the first entry going forward and after the last going backward.
int nextTickedIndex(const FileList &list, int start, int direction)
{
    const int count = list.count();
    int index = start;
    for (int step = 0; step < count; ++step) {
        if (direction > 0)
            index = index >= count - 1 ? 0 : index + 1;
        else
            index = index <= 0 ? count - 1 : index - 1;
        if (index == start || list.isTicked(index))
            return index;
    }
    return -1;
}

} // namespace

SlideWindow::SlideWindow(SlideWindowKind kind, SlideHost &host, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_kind(kind)
    , m_host(host)
    , m_prefetcher(std::make_unique<PicturePrefetcher>(host.pictureLoader()))
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
    buildControls();
    wireHandlers();
    Form_Load();
}

SlideWindow::~SlideWindow() = default;

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

    Timer1 = new ShowTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));

    MenuPopup = new SlideMenu(m_kind, this);
    MenuPopup->setObjectName(QStringLiteral("MenuPopup"));
}

void SlideWindow::Form_Load()
{
    const ProgramState &state = m_host.programState();
    // The hand pointer belongs to the paused banner, which resumes the show when clicked.
    if (!state.HandCursorFile.isEmpty())
        LabelPAUSED->setCursor(Qt::PointingHandCursor);
    if (m_kind == SlideWindowKind::Bordered && m_host.displayKind() == 2)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    const FileList &list = m_host.playList();
    ScrollBar->setMaximum(list.count() - 1);
    ScrollBar->setValue(list.currentIndex());
    m_barFollows = true;
    unsetCursor();
}

void SlideWindow::present()
{
    if (m_kind == SlideWindowKind::FullScreen) {
        QScreen *screen = nullptr;
        if (QWidget *mainWindow = m_host.mainWindow())
            screen = mainWindow->screen();
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen) {
            setScreen(screen);
            setGeometry(screen->geometry());
        }
        showFullScreen();
    } else {
        show();
    }
    raise();
    activateWindow();
    placeBar();
    Form_Activate();
}

void SlideWindow::Form_Activate()
{
    m_pictureBusy = true;
    Timer1->setEnabled(false);
    FileList &list = m_host.playList();
    m_barFollows = false;
    ScrollBar->setMaximum(list.count() - 1);
    ScrollBar->setValue(list.currentIndex());
    m_barFollows = true;
    LabelPAUSED->hide();

    validateDelay();
    const qint16 delay = toInt16(m_host.delayText()).value_or(10);
    Timer1->setInterval(delay * 1000);

    // A show without a current entry begins at the first ticked entry from the top.
    if (list.currentIndex() < 0) {
        moveToTicked(+1);
        setBarQuietly(list.currentIndex());
    }
    if (!list.isTicked(list.currentIndex()))
        fnNextPicture();
    fnShowPicture();
    m_pictureBusy = false;

    // After the first layout, which therefore still allows for the bar as it was.
    ScrollBar->setVisible(m_host.positionBarWanted());
    if (m_host.programState().SinglePicture) {
        ScrollBar->setEnabled(false);
        Timer1->setEnabled(false);
    } else {
        Timer1->setEnabled(true);
        ScrollBar->setEnabled(true);
    }
    if (!ScrollBar->isHidden() && ScrollBar->isEnabled())
        ScrollBar->setFocus(Qt::OtherFocusReason);
}

// Numeric text is rounded to a whole number and clamped to 0..32; anything else becomes 10.
// A number too large for 16 bits is clamped on its side like any other out-of-range value.
void SlideWindow::validateDelay()
{
    const QString text = m_host.delayText();
    const std::optional<double> number = numberFromText(text);
    if (!number) {
        m_host.setDelayText(QStringLiteral("10"));
        return;
    }
    const std::optional<qint16> seconds = toInt16(text);
    if (!seconds) {
        m_host.setDelayText(*number < 0 ? QStringLiteral("0") : QStringLiteral("32"));
        return;
    }
    if (*seconds > 32)
        m_host.setDelayText(QStringLiteral("32"));
    else if (*seconds < 0)
        m_host.setDelayText(QStringLiteral("0"));
}

void SlideWindow::Form_Resize()
{
    if (!isVisible() || isMinimized())
        return;
    m_pictureBusy = true;
    placeBar();
    if (m_kind == SlideWindowKind::Bordered && m_host.displayKind() != 0)
        recordPlacement();
    fnShowPicture();
    m_pictureBusy = false;
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
    ProgramState &state = m_host.programState();
    state.SlideTop = clampedTwips(outer.top());
    state.SlideLeft = clampedTwips(outer.left());
    state.SlideWidth = clampedTwips(outer.width());
    state.SlideHeight = clampedTwips(outer.height());
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
    const QSize frame = frameGeometry().size() - size();
    move(outer.topLeft());
    resize(outer.size() - frame);
    const bool frameKnown = testAttribute(Qt::WA_WState_Created) && !frame.isNull();
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

SlideFrame SlideWindow::currentFrame() const
{
    SlideFrame frame;
    const QSize outer = frameGeometry().size();
    frame.outerWidth = outer.width() * TwipsPerPixel;
    frame.outerHeight = outer.height() * TwipsPerPixel;
    frame.barHeight = ScrollBar->isHidden() ? 0 : ScrollBar->height() * TwipsPerPixel;
    frame.bordered = m_kind == SlideWindowKind::Bordered;
    return frame;
}

PictureSizing SlideWindow::currentSizing() const
{
    switch (m_host.sizingOption()) {
    case 1:
        return PictureSizing::StretchToFit;
    case 2:
        return PictureSizing::ActualSize;
    default:
        return PictureSizing::ExpandWithoutDistorting;
    }
}

DecodedPicture SlideWindow::loadCurrentPicture(const QString &path, PictureSizing sizing, const SlideFrame &frame)
{
    return m_prefetcher->load(path, decodeSizeFor(sizing, frame, devicePixelRatioF()));
}

// While this picture is on screen, the one a tick or Right would show next is decoded.
bool SlideWindow::nextPictureReady() const
{
    const FileList &list = m_host.playList();
    const int next = nextTickedIndex(list, list.currentIndex(), +1);
    return next >= 0 && m_prefetcher->isReady(list.entry(next));
}

void SlideWindow::prefetchNext(PictureSizing sizing, const SlideFrame &frame)
{
    if (m_host.programState().SinglePicture)
        return;
    const FileList &list = m_host.playList();
    const int next = nextTickedIndex(list, list.currentIndex(), +1);
    if (next < 0 || next == list.currentIndex())
        return;
    m_prefetcher->prefetch(list.entry(next), decodeSizeFor(sizing, frame, devicePixelRatioF()));
}

void SlideWindow::fnShowPicture()
{
    LabelSorry->hide();
    Image1->hide();
    const FileList &list = m_host.playList();
    const int index = list.currentIndex();
    const QString path = list.entry(index);
    // Read now: A and Z change it in the main window between two pictures.
    const PictureSizing sizing = currentSizing();
    const SlideFrame frame = currentFrame();
    m_laidOutFrameSize = frameGeometry().size();

    const DecodedPicture picture = index >= 0 ? loadCurrentPicture(path, sizing, frame) : DecodedPicture();
    if (!picture.ok || picture.naturalSize.isEmpty()) {
        Image1->clearPicture();
        // The preview never keeps a picture that is not the one the show is on.
        m_host.setPreview(QImage());
        showCannotDisplay(path);
        // The show goes on after a file that cannot be shown: the next one is read ahead too.
        if (index >= 0)
            prefetchNext(sizing, frame);
        return;
    }

    const QImage &image = picture.image;
    m_host.setPreview(image.width() > PreviewMaxPixels || image.height() > PreviewMaxPixels
                          ? image.scaled(PreviewMaxPixels, PreviewMaxPixels, Qt::KeepAspectRatio,
                                         Qt::SmoothTransformation)
                          : image);
    Image1->setPicture(picture);
    Image1->setPictureGeometry(fnLayoutPicture(sizing, frame, picture.naturalSize.width() * TwipsPerPixel,
                                               picture.naturalSize.height() * TwipsPerPixel));
    Image1->show();
    setPausedCaption(path);
    prefetchNext(sizing, frame);
}

void SlideWindow::showCannotDisplay(const QString &path)
{
    LabelSorry->resize(qMax(0, frameGeometry().width() - LabelSorry->x()), LabelSorry->height());
    LabelSorry->setText(QStringLiteral("Sorry, ") + LocalPath::displayText(path)
                        + QStringLiteral(" could not be displayed."));
    LabelSorry->setAccessibleName(LabelSorry->text());
    LabelSorry->show();
    setPausedCaption(path);
}

void SlideWindow::setPausedCaption(const QString &path)
{
    const QString caption = QStringLiteral("|| Paused - ") + LocalPath::displayText(path);
    LabelPAUSED->setText(caption);
    LabelPAUSED->setAccessibleName(caption);
    LabelPAUSED->resize(pixels(120) * int(caption.length()), LabelPAUSED->height());
}

void SlideWindow::fnNextPicture()
{
    const bool timerWasOn = Timer1->isEnabled();
    Timer1->setEnabled(false);
    if (!m_host.programState().SinglePicture)
        moveToTicked(+1);
    setBarQuietly(m_host.playList().currentIndex());
    // Restarting counts the delay afresh from this move.
    if (timerWasOn)
        Timer1->setEnabled(true);
}

void SlideWindow::fnPreviousPicture()
{
    const bool timerWasOn = Timer1->isEnabled();
    Timer1->setEnabled(false);
    if (!m_host.programState().SinglePicture)
        moveToTicked(-1);
    setBarQuietly(m_host.playList().currentIndex());
    if (timerWasOn)
        Timer1->setEnabled(true);
}

// Steps the current entry to the next ticked entry in the given direction. Without a ticked
// entry anywhere the current entry stays where it is.
void SlideWindow::moveToTicked(int direction)
{
    FileList &list = m_host.playList();
    const int index = nextTickedIndex(list, list.currentIndex(), direction);
    if (index >= 0)
        list.setCurrentIndex(index);
}

void SlideWindow::setBarQuietly(int value)
{
    m_barFollows = false;
    ScrollBar->setValue(value);
    m_barFollows = true;
}
