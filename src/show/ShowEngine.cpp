#include "show/ShowEngine.h"

#include "files/FileList.h"
#include "platform/ShellHandoff.h"
#include "settings/NumericText.h"
#include "show/DecodeTarget.h"
#include "show/PictureDecoder.h"
#include "show/ShowTimer.h"
#include "show/ShowView.h"
#include "show/SlideHost.h"

#include <QImage>

namespace {

constexpr int TwipsPerPixel = 15;
constexpr int LongestDelaySeconds = 32;
constexpr int DefaultDelaySeconds = 10;

} // namespace

ShowEngine::ShowEngine(SlideHost &host, ShowView &view, QObject *parent)
    : QObject(parent), m_host(host), m_view(view), m_decoder(host.pictureDecoder()), m_timer(new ShowTimer(this))
{
    connect(&m_decoder, &PictureDecoder::decoded, this, &ShowEngine::land);
    connect(m_timer, &ShowTimer::timeout, this, &ShowEngine::tick);
}

ShowEngine::~ShowEngine() = default;

int ShowEngine::nextTickedIndex(const FileList &list, int start, int direction)
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

int ShowEngine::startIndex(const FileList &list, bool singlePicture)
{
    int index = list.currentIndex();
    // A show without a current entry begins at the first ticked entry from the top.
    if (index < 0)
        index = nextTickedIndex(list, -1, +1);
    if (index >= 0 && !list.isTicked(index) && !singlePicture) {
        const int next = nextTickedIndex(list, index, +1);
        if (next >= 0)
            index = next;
    }
    return index;
}

// Numeric text is rounded to a whole number and clamped to 0..32; anything else becomes 10.
// A number too large for 16 bits is clamped on its side like any other out-of-range value.
std::optional<QString> ShowEngine::correctedDelay(const QString &text)
{
    const std::optional<double> number = numberFromText(text);
    if (!number)
        return QString::number(DefaultDelaySeconds);
    const std::optional<qint16> seconds = toInt16(text);
    if (!seconds)
        return *number < 0 ? QStringLiteral("0") : QString::number(LongestDelaySeconds);
    if (*seconds > LongestDelaySeconds)
        return QString::number(LongestDelaySeconds);
    if (*seconds < 0)
        return QStringLiteral("0");
    return std::nullopt;
}

int ShowEngine::intervalFor(const QString &correctedText)
{
    return toInt16(correctedText).value_or(DefaultDelaySeconds) * 1000;
}

bool ShowEngine::singlePicture() const
{
    return m_host.singlePicture();
}

bool ShowEngine::isPaused() const
{
    return !m_timer->isEnabled() && m_bannerUp;
}

void ShowEngine::begin()
{
    m_busy = true;
    m_timer->setEnabled(false);
    FileList &list = m_host.playList();
    m_view.followPosition(list.currentIndex());
    m_bannerUp = false;
    m_view.setPausedBannerVisible(false);

    if (const std::optional<QString> corrected = correctedDelay(m_host.delayText()))
        m_host.setDelayText(*corrected);
    m_timer->setInterval(intervalFor(m_host.delayText()));

    const int start = startIndex(list, singlePicture());
    if (start != list.currentIndex())
        list.setCurrentIndex(start);
    m_view.followPosition(list.currentIndex());
    want(true);

    m_timer->setEnabled(!singlePicture());
    m_begun = true;
    updateRunning();
}

void ShowEngine::end()
{
    m_timer->setEnabled(false);
    m_decoder.cancel();
    m_busy = false;
    m_wantedPath.clear();
    m_begun = false;
    updateRunning();
}

void ShowEngine::updateRunning()
{
    const bool running = m_begun && m_timer->isEnabled() && !singlePicture();
    if (running == m_running)
        return;
    m_running = running;
    Q_EMIT runningChanged(running);
}

void ShowEngine::moveToTicked(int direction)
{
    FileList &list = m_host.playList();
    const int index = nextTickedIndex(list, list.currentIndex(), direction);
    if (index >= 0)
        list.setCurrentIndex(index);
}

void ShowEngine::step(int direction)
{
    const bool timerWasOn = m_timer->isEnabled();
    m_timer->setEnabled(false);
    if (!singlePicture())
        moveToTicked(direction);
    m_view.followPosition(m_host.playList().currentIndex());
    // Switching it on again counts the delay afresh from this move.
    if (timerWasOn)
        m_timer->setEnabled(true);
    updateRunning();
}

void ShowEngine::stepForward()
{
    step(+1);
}

void ShowEngine::stepBackward()
{
    step(-1);
}

void ShowEngine::showCurrent()
{
    want(false);
}

void ShowEngine::relayout()
{
    // The picture on screen takes its new place at once, stretched if need be, while a decode
    // for the new size (if one is needed) is under way.
    if (m_shown.ok && m_shownPath == m_wantedPath)
        m_view.showPicture(m_shown, layoutOf(m_shown));
    want(false);
}

SlideFrame ShowEngine::layoutFrame() const
{
    SlideFrame frame = m_view.frame();
    if (m_firstLayoutBar)
        frame.barHeight = *m_firstLayoutBar;
    return frame;
}

PictureGeometry ShowEngine::layoutOf(const DecodedPicture &picture) const
{
    return fnLayoutPicture(m_host.sizingOption(), layoutFrame(), picture.naturalSize.width() * TwipsPerPixel,
                           picture.naturalSize.height() * TwipsPerPixel);
}

void ShowEngine::want(bool firstOfShow)
{
    const FileList &list = m_host.playList();
    const int index = list.currentIndex();
    m_wantedPath = list.entry(index);
    m_firstLayoutBar = firstOfShow ? std::optional<qint32>(m_view.frame().barHeight) : std::nullopt;
    // The caption names the entry the show is on, whatever is still on screen.
    m_view.setPausedCaption(m_wantedPath);
    m_busy = true;
    if (index < 0) {
        m_decoder.cancel();
        m_ticket = 0;
        land(0, DecodedPicture(), QImage());
        return;
    }
    const DecodeTarget target = DecodeTarget::slide(m_host.sizingOption(), layoutFrame(), m_view.devicePixelRatio());
    m_ticket = m_decoder.want(m_wantedPath, target, QSize(PreviewMaxPixels, PreviewMaxPixels));
}

void ShowEngine::land(quint64 ticket, const DecodedPicture &picture, const QImage &preview)
{
    if (ticket != m_ticket || !m_busy)
        return;
    m_busy = false;
    if (!picture.ok || picture.naturalSize.isEmpty()) {
        // The preview never keeps a picture that is not the one the show is on.
        m_host.setPreview(QImage());
        m_shown = DecodedPicture();
        m_shownPath = m_wantedPath;
        m_view.showCannotDisplay(m_wantedPath);
    } else {
        m_host.setPreview(preview);
        m_shown = picture;
        m_shownPath = m_wantedPath;
        m_view.showPicture(picture, layoutOf(picture));
    }
    m_firstLayoutBar.reset();
    // The delay counts from the moment the picture is on screen.
    if (m_timer->isEnabled())
        m_timer->restart();
    // The show goes on after a file that cannot be shown too: the next one is read ahead.
    decodeNextAhead();
    Q_EMIT pictureLanded();
}

void ShowEngine::decodeNextAhead()
{
    if (singlePicture())
        return;
    const FileList &list = m_host.playList();
    const int next = nextTickedIndex(list, list.currentIndex(), +1);
    if (next < 0 || next == list.currentIndex())
        return;
    m_decoder.decodeAhead(list.entry(next),
                          DecodeTarget::slide(m_host.sizingOption(), m_view.frame(), m_view.devicePixelRatio()));
}

bool ShowEngine::nextPictureReady() const
{
    const FileList &list = m_host.playList();
    const int next = nextTickedIndex(list, list.currentIndex(), +1);
    return next >= 0
           && m_decoder.isKept(list.entry(next), DecodeTarget::slide(m_host.sizingOption(), m_view.frame(),
                                                                     m_view.devicePixelRatio()));
}

void ShowEngine::tick()
{
    if (singlePicture()) {
        m_timer->setEnabled(false);
        updateRunning();
        return;
    }
    // However the window was minimised, the show waits for the user to come back.
    if (m_view.isMinimised()) {
        pause();
        return;
    }
    if (!m_busy) {
        stepForward();
        showCurrent();
    }
}

void ShowEngine::next()
{
    if (singlePicture())
        return;
    stepForward();
    showCurrent();
}

void ShowEngine::previous()
{
    if (singlePicture())
        return;
    stepBackward();
    showCurrent();
}

// One step towards the bar, however far it was dragged; the bar then follows the show.
void ShowEngine::barMoved(int value)
{
    if (singlePicture())
        return;
    m_busy = true;
    const FileList &list = m_host.playList();
    if (value < list.currentIndex()) {
        stepBackward();
        // Read again, the bar now stands on the entry the step reached.
        value = list.currentIndex();
    }
    if (list.currentIndex() < value)
        stepForward();
    showCurrent();
}

void ShowEngine::pause()
{
    m_timer->setEnabled(false);
    m_bannerUp = true;
    m_view.setPausedBannerVisible(true);
    updateRunning();
}

void ShowEngine::resume()
{
    m_timer->setEnabled(true);
    m_bannerUp = false;
    m_view.setPausedBannerVisible(false);
    updateRunning();
}

void ShowEngine::togglePause()
{
    if (m_timer->isEnabled())
        pause();
    else
        resume();
}

void ShowEngine::chooseSizing(PictureSizing sizing)
{
    m_host.selectSizingOption(sizing);
    relayout();
}

void ShowEngine::editCurrent()
{
    const FileList &list = m_host.playList();
    if (list.currentIndex() < 0)
        return;
    if (m_host.shell().openFile(list.entry(list.currentIndex())) && !singlePicture())
        togglePause();
}
