#pragma once

#include "platform/PictureLoader.h"
#include "show/PictureLayout.h"

#include <QObject>
#include <QString>

#include <optional>

class FileList;
class PictureDecoder;
class ShowTimer;
class ShowView;
class SlideHost;

// The rules of a running show, without a window: which entry is wanted and which picture is
// on screen, moving over the ticked entries with wrap-around, the single-picture rule, the
// delay and the advance timer, pause, and getting each picture decoded off the window's thread.
//
// A move never waits for a picture: the current entry, the position bar and the paused
// banner's caption follow at once, the picture on screen stays until the one wanted last has
// been decoded, and a picture asked for meanwhile supersedes the one before. The delay counts
// from the moment a picture is on screen.
class ShowEngine : public QObject
{
    Q_OBJECT
public:
    // The largest copy of a shown picture handed to the main window's preview.
    static constexpr int PreviewMaxPixels = 256;

    ShowEngine(SlideHost &host, ShowView &view, QObject *parent = nullptr);
    ~ShowEngine() override;

    // The next ticked entry from `start` in `direction` (+1 or -1), wrapping at the ends:
    // `start` itself when no other entry is ticked, -1 when there was no start and none is
    // ticked. A start of -1 counts as before the first entry going forward and after the last
    // going backward.
    static int nextTickedIndex(const FileList &list, int start, int direction);
    // The entry a show starts on: the current entry, else the first ticked one; when it is not
    // ticked, the next ticked entry after it, unless the show is for a single picture.
    static int startIndex(const FileList &list, bool singlePicture);
    // The delay box's text as a show corrects it: numeric text rounded to whole seconds and
    // clamped to 0..32, anything else "10". Nothing when the text stands as it is.
    static std::optional<QString> correctedDelay(const QString &text);
    // Milliseconds between ticks for a delay text that has been corrected.
    static int intervalFor(const QString &correctedText);

    ShowTimer *timer() const { return m_timer; }

    // The show starts (the window is shown): timer off, banner hidden, delay corrected, the
    // start entry chosen and its picture wanted, then the timer on unless the show is for a
    // single picture. The first picture is laid out for the frame the window has now.
    void begin();
    // The show ends (back to the main window): timer off, no decode goes on for it.
    void end();

    // fnNextPicture / fnPreviousPicture: one ticked entry on (unless single), the bar follows,
    // and a running delay counts afresh.
    void stepForward();
    void stepBackward();
    // fnShowPicture: the current entry's picture is wanted for the window as it is now.
    void showCurrent();
    // The window changed size: the picture on screen is laid out again at once, and decoded
    // again if it was decoded for another size.
    void relayout();

    // The handlers' rules.
    void tick();                   // Timer1_Timer
    void next();                   // Right, menu
    void previous();               // Left, menu
    void barMoved(int value);      // the user moved the position bar to `value`
    void togglePause();            // Space, menu, Edit
    void pause();
    void resume();
    void chooseSizing(PictureSizing sizing); // A and Z
    void editCurrent();            // E: the file in its program; the pause toggles when handed over

    // True while a picture change is under way: from the move until the picture wanted last is
    // on screen (or known not to load). A tick does nothing meanwhile.
    bool pictureBusy() const { return m_busy; }
    bool isPaused() const;
    // The show runs: begun, not ended, not paused, and not a single picture (which never
    // runs). A show whose delay is 0 runs too: it only waits for keys.
    bool isRunning() const { return m_running; }
    // The picture on screen (ok false when none or the "Sorry" banner is up) and its path.
    const DecodedPicture &shownPicture() const { return m_shown; }
    QString shownPath() const { return m_shownPath; }
    // The picture a tick or Right would show next has been decoded ahead.
    bool nextPictureReady() const;

Q_SIGNALS:
    // The picture wanted last is on screen, or its "Sorry" banner is.
    void pictureLanded();
    void runningChanged(bool running);

private:
    void moveToTicked(int direction);
    void step(int direction);
    void want(bool firstOfShow);
    void land(quint64 ticket, const DecodedPicture &picture, const QImage &preview);
    void decodeNextAhead();
    SlideFrame layoutFrame() const;
    PictureGeometry layoutOf(const DecodedPicture &picture) const;
    bool singlePicture() const;
    // Called when an operation is over, so that a state passed through on the way (the timer
    // is switched off and on again by every move) is never announced.
    void updateRunning();

    SlideHost &m_host;
    ShowView &m_view;
    PictureDecoder &m_decoder;
    ShowTimer *m_timer;
    bool m_busy = false;
    bool m_bannerUp = false;
    bool m_begun = false;
    bool m_running = false;
    quint64 m_ticket = 0;
    QString m_wantedPath;
    DecodedPicture m_shown;
    QString m_shownPath;
    // The first picture of a show is laid out for the bar as it was when the show began.
    std::optional<qint32> m_firstLayoutBar;
};
