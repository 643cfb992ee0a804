// End to end: the built program on an X server with a window manager (run-e2e.sh), driven
// by keys, clicks and close requests, judged by a few pixels on screen and the settings file.
#include "Desktop.h"
#include "PictarraRun.h"
#include "ProgramWindows.h"
#include "SlideScreen.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

using WindowId = Desktop::WindowId;

const QString Title = QStringLiteral("Pictarra");

// Middle of the "Display Selected" button.
const QPoint DisplaySelectedButton(692, 501);

// The bordered slide window's outer rectangle: wide enough that a portrait picture leaves
// black at both sides and the banners' left parts free.
const QRect SlidePlacement(190, 100, 900, 500);

const QColor Green(Qt::green), Blue(Qt::blue), White(Qt::white);

// A portrait picture of one colour in the format of its suffix; without a colour, a file
// that cannot be loaded.
struct Picture
{
    QString name;
    QColor colour;
};

// A text file named like a JPEG, from the samples.
const QString SampleTextFile = QStringLiteral("not-a-picture.jpg");

QString samplesFolder()
{
    return qEnvironmentVariable("PICTARRA_E2E_SAMPLES");
}

bool writePicture(const QString &folder, const Picture &picture)
{
    const QString path = QDir(folder).filePath(picture.name);
    if (picture.colour.isValid()) {
        QImage image(400, 600, QImage::Format_RGB32);
        image.fill(picture.colour);
        return image.save(path, nullptr, 95);
    }
    if (picture.name == SampleTextFile)
        return QFile::copy(QDir(samplesFolder()).filePath(SampleTextFile), path);
    return QFile(path).open(QIODevice::WriteOnly);
}

// Settings for a show in a normal window at SlidePlacement.
QMap<QString, QString> windowedShow(int delaySeconds)
{
    return {{"DISPLAY", dwordText(1)}, {"Left", dwordText(SlidePlacement.x() * 15)},
            {"Top", dwordText(SlidePlacement.y() * 15)}, {"Width", dwordText(SlidePlacement.width() * 15)},
            {"Height", dwordText(SlidePlacement.height() * 15)}, {"DELAY", textValue(QString::number(delaySeconds))}};
}

// Saved at exit when nobody touched the first-run record: the blank pattern shows, and is
// saved, as "*.*".
QMap<QString, QString> savedWithoutChanges(const QString &lastPath)
{
    QMap<QString, QString> values = PictarraRun::firstRunValues(lastPath);
    values.insert(QStringLiteral("PATTERN"), textValue(QStringLiteral("*.*")));
    return values;
}

QString canonical(const QString &path)
{
    return QFileInfo(path).canonicalFilePath();
}

// A stored LASTPATH as a canonical folder, whatever trailing "/" the program keeps.
QString storedFolder(const QString &rawValue)
{
    const bool quoted = rawValue.size() >= 2 && rawValue.startsWith('"') && rawValue.endsWith('"');
    return canonical(quoted ? rawValue.mid(1, rawValue.size() - 2) : rawValue);
}

} // namespace

class tst_E2E : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void firstStartWritesFirstRunSettingsAndClosingRewritesThem();
    void mainWindowFrameIsCentred();
    void folderWithOptionsStartsShuffledShowAndLeavesSettingsAlone();
    void windowedShowPausesAdvancesAndQuitsToMainWindow();
    void closingMainWindowSavesChangedOptions_data();
    void closingMainWindowSavesChangedOptions();
    void pictureThatCannotBeLoadedShowsSorryAndShowGoesOn();
    void timerAdvancesTheShow();
    void slideWindowPlacementIsRemembered();
    void fullScreenShowCoversTheScreenAndKeepsThePlacement();
    void heldKeyOverBigPhotosNeverQueues();

private:
    // The pictures in `m_pictures`, returned in the order the program lists a folder: by name
    // (the names here are plain lower-case words, so no numbers or letter case come into it).
    QList<Picture> makePictures(const QList<Picture> &pictures);
    QString picturesPath() const { return m_pictures->path(); }

    WindowId waitForMainWindow() { return ProgramWindows::waitForMainWindow(*m_run); }
    // Waits until one slide window and no main window is visible; 0 on timeout.
    WindowId waitForSlideWindow();
    SlideScreen slideScreen() const;
    bool waitForPicture(const Picture &picture);
    // Waits until one of the pictures shows; its index, or -1.
    qsizetype waitForAnyPicture(const QList<Picture> &pictures);
    bool pressKey(WindowId window, const QString &key);
    bool clickInWindow(WindowId window, QPoint clientPoint);
    // Ends the show or the main window with a key, or a close request when `key` is empty,
    // and waits for the program to end with status 0.
    bool endWith(WindowId window, const QString &key = {});
    // The record saved at exit is the untouched one with `changes`, LASTPATH the folder.
    void compareSavedRecord(const QString &folder, const QMap<QString, QString> &changes);

    // Failure message: what was wanted, what the screen and the program said.
    QByteArray failure(const QString &what) const;

    std::unique_ptr<PictarraRun> m_run;
    std::unique_ptr<QTemporaryDir> m_pictures;
    WindowId m_slide = 0;
};

void tst_E2E::initTestCase()
{
    if (PictarraRun::programPath().isEmpty() || QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs the X server and window manager of run-e2e.sh (ctest -R e2e)");
    QVERIFY2(QFileInfo(PictarraRun::programPath()).isExecutable(), qPrintable(PictarraRun::programPath()));
    QVERIFY2(QFileInfo::exists(QDir(samplesFolder()).filePath(SampleTextFile)), qPrintable(samplesFolder()));
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QVERIFY2(screen.width() >= 1200 && screen.height() >= 700, "the main window needs a 1280 x 800 screen");
}

void tst_E2E::init()
{
    m_run = std::make_unique<PictarraRun>();
    m_pictures = std::make_unique<QTemporaryDir>();
    QVERIFY(m_run->isValid());
    QVERIFY(m_pictures->isValid());
    m_slide = 0;
}

void tst_E2E::cleanup()
{
    m_run.reset();  // ends a program left running: the next test starts on an empty screen
    m_pictures.reset();
}

QList<Picture> tst_E2E::makePictures(const QList<Picture> &pictures)
{
    QList<Picture> ordered;
    for (const Picture &picture : pictures) {
        if (!writePicture(picturesPath(), picture))
            return {};
        ordered << picture;
    }
    std::sort(ordered.begin(), ordered.end(), [](const Picture &a, const Picture &b) { return a.name < b.name; });
    return ordered;
}

WindowId tst_E2E::waitForSlideWindow()
{
    m_slide = 0;
    const bool settled = QTest::qWaitFor(
        [&] {
            const QList<WindowId> slides = ProgramWindows::otherWindows(m_run->pid());
            m_slide = slides.size() == 1 && ProgramWindows::mainWindows(m_run->pid()).isEmpty() ? slides.first() : 0;
            return m_slide != 0 || !m_run->isRunning();
        },
        Desktop::TimeoutMs);
    return settled ? m_slide : 0;
}

SlideScreen tst_E2E::slideScreen() const
{
    return SlideScreen(Desktop::screenshot(), m_slide ? Desktop::clientRect(m_slide) : QRect());
}

bool tst_E2E::waitForPicture(const Picture &picture)
{
    return waitForAnyPicture({picture}) == 0;
}

qsizetype tst_E2E::waitForAnyPicture(const QList<Picture> &pictures)
{
    qsizetype shown = -1;
    [[maybe_unused]] const bool found = QTest::qWaitFor(
        [&] {
            const SlideScreen screen = slideScreen();
            for (qsizetype i = 0; i < pictures.size() && shown < 0; ++i) {
                const QColor &colour = pictures[i].colour;
                if (colour.isValid() ? screen.showsPicture(colour) : screen.showsCannotDisplay())
                    shown = i;
            }
            return shown >= 0;
        },
        Desktop::TimeoutMs);
    return shown;
}

bool tst_E2E::pressKey(WindowId window, const QString &key)
{
    return Desktop::activate(window) && Desktop::pressKeys({key});
}

bool tst_E2E::clickInWindow(WindowId window, QPoint clientPoint)
{
    const QRect client = Desktop::clientRect(window);
    return !client.isEmpty() && Desktop::activate(window) && Desktop::click(client.topLeft() + clientPoint);
}

bool tst_E2E::endWith(WindowId window, const QString &key)
{
    return (key.isEmpty() ? Desktop::requestClose(window) : pressKey(window, key))
        && m_run->waitForExit(Desktop::TimeoutMs) && m_run->exitedCleanly();
}

void tst_E2E::compareSavedRecord(const QString &folder, const QMap<QString, QString> &changes)
{
    QMap<QString, QString> values = m_run->settingsValues();
    QCOMPARE(storedFolder(values.take(QStringLiteral("LASTPATH"))), folder);
    QMap<QString, QString> expected = savedWithoutChanges(folder);
    expected.remove(QStringLiteral("LASTPATH"));
    expected.insert(changes);
    QCOMPARE(values, expected);
}

QByteArray tst_E2E::failure(const QString &what) const
{
    QString text = what;
    if (m_slide)
        text += QStringLiteral("\n  screen: ") + slideScreen().describe();
    if (!Desktop::lastFailure().isEmpty())
        text += QStringLiteral("\n  last tool failure: ") + Desktop::lastFailure();
    text += QStringLiteral("\n  ") + m_run->report();
    return text.toLocal8Bit();
}

// No settings file yet: start-up writes the first-run record before the main window shows;
// a close request through the window manager saves the record and ends with status 0.
void tst_E2E::firstStartWritesFirstRunSettingsAndClosingRewritesThem()
{
    QVERIFY(!m_run->settingsExist());
    QVERIFY(m_run->start({}, picturesPath()));
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure("the main window did not show"));
    QCOMPARE(Desktop::visibleWindows(m_run->pid(), Title), QList<WindowId>{main});
    // The working folder is the first LASTPATH.
    QVERIFY2(m_run->settingsExist(), failure(m_run->settingsPath() + " missing after start-up"));
    QCOMPARE(m_run->settingsValues(), PictarraRun::firstRunValues(canonical(picturesPath())));

    // Something for the exit to overwrite: the program keeps the delay "10" in its box.
    QVERIFY(m_run->writeSettings(canonical(picturesPath()), {{"DELAY", textValue("99")}}));
    QVERIFY2(endWith(main), failure("no clean exit after the close request"));
    QCOMPARE(m_run->settingsValues(), savedWithoutChanges(canonical(picturesPath())));
    QVERIFY(!QFile::exists(m_run->settingsPath() + ".bad"));
}

// The main window stands in the middle of the screen by its outer frame, title bar and
// borders included, as a person sees it - not by its inner area.
void tst_E2E::mainWindowFrameIsCentred()
{
    QVERIFY(m_run->start({}, picturesPath()));
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure("the main window did not show"));
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QRect frame;
    const bool centred = QTest::qWaitFor(
        [&] {
            frame = Desktop::frameRect(main);
            return frame.topLeft() == QPoint((screen.width() - frame.width()) / 2, (screen.height() - frame.height()) / 2);
        },
        Desktop::TimeoutMs);
    QVERIFY2(centred, failure(QStringLiteral("frame at %1,%2 size %3 x %4")
                                  .arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height())));
    // The window manager's title bar is part of what is centred.
    QVERIFY(frame.height() > ProgramWindows::MainWindowClient.height());
    QVERIFY2(endWith(main), failure("no clean exit after the close request"));
}

// A folder and options: the show starts at once in a window, shuffled, without the main
// window; X ends the program, and a run with options writes nothing.
void tst_E2E::folderWithOptionsStartsShuffledShowAndLeavesSettingsAlone()
{
    const QList<Picture> pictures = makePictures({{"green.png", Green}, {"blue.jpg", Blue}, {"white.bmp", White}});
    QCOMPARE(pictures.size(), 3);
    // A first run leaves the settings file a user would have.
    QVERIFY(m_run->start({}, m_run->homePath()));
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure("the main window of the first run did not show"));
    QVERIFY2(endWith(main), failure("the first run did not end cleanly"));
    const QByteArray before = m_run->settingsBytes();
    QVERIFY(!before.isEmpty());

    QVERIFY(m_run->start({picturesPath(), "--window", "--random"}, m_run->homePath()));
    const WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure("no slide window alone on screen"));
    QVERIFY2(waitForAnyPicture(pictures) >= 0, failure("no picture on black in the slide window"));
    QCOMPARE(Desktop::visibleWindows(m_run->pid(), Title), QList<WindowId>{slide});
    QVERIFY2(ProgramWindows::mainWindows(m_run->pid()).isEmpty(), failure("the main window is shown behind the show"));
    QVERIFY2(endWith(slide, "x"), failure("X did not end the program cleanly"));
    QCOMPARE(m_run->settingsBytes(), before);
}

// Space pauses with the red banner at the top left, Right moves on while paused, Q brings
// the gold main window back with the list as it was, so that Display starts the same show.
void tst_E2E::windowedShowPausesAdvancesAndQuitsToMainWindow()
{
    const QList<Picture> pictures = makePictures({{"green.png", Green}, {"blue.jpg", Blue}, {"white.bmp", White}});
    QCOMPARE(pictures.size(), 3);
    // Long enough that the timer never moves the show while the test does.
    QVERIFY(m_run->writeSettings(m_run->homePath(), windowedShow(30)));
    const QByteArray before = m_run->settingsBytes();

    QVERIFY(m_run->start({picturesPath(), "--window"}, m_run->homePath()));
    WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure("no slide window alone on screen"));
    QVERIFY2(waitForPicture(pictures[0]), failure("the show does not begin with " + pictures[0].name));
    QVERIFY2(!slideScreen().showsPausedBanner(), failure("paused banner on a running show"));

    QVERIFY(pressKey(slide, "space"));
    QVERIFY2(QTest::qWaitFor([&] { return slideScreen().showsPausedBanner(); }, Desktop::TimeoutMs),
             failure("Space showed no paused banner"));
    QVERIFY2(slideScreen().showsPicture(pictures[0].colour), failure("pausing changed the picture"));
    QVERIFY(pressKey(slide, "Right"));
    QVERIFY2(waitForPicture(pictures[1]), failure("Right did not show " + pictures[1].name));
    QVERIFY2(slideScreen().showsPausedBanner(), failure("Right resumed a paused show"));

    QVERIFY(pressKey(slide, "q"));
    WindowId main = waitForMainWindow();
    QVERIFY2(main, failure("Q did not bring the main window back"));
    QVERIFY(clickInWindow(main, DisplaySelectedButton));
    slide = waitForSlideWindow();
    QVERIFY2(slide, failure("Display Selected started no show"));
    QVERIFY2(waitForPicture(pictures[0]), failure("the second show does not begin with " + pictures[0].name));
    QVERIFY2(!slideScreen().showsPausedBanner(), failure("the second show starts paused"));

    QVERIFY(pressKey(slide, "Escape"));
    main = waitForMainWindow();
    QVERIFY2(main, failure("Escape did not bring the main window back"));
    QVERIFY2(endWith(main), failure("no clean exit after the close request"));
    QCOMPARE(m_run->settingsBytes(), before);
}

void tst_E2E::closingMainWindowSavesChangedOptions_data()
{
    QTest::addColumn<QPoint>("clickAt");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("closeKeys");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("saved");

    // Client positions: each option row's origin plus the button's offset in it, plus a few
    // pixels into its round indicator. An empty closeKeys closes through wmctrl.
    QTest::newRow("In a window (normal), closed by the window manager")
        << QPoint(31 + 157 + 7, 430 + 8) << QStringList() << QString() << "DISPLAY" << dwordText(1);
    QTest::newRow("Actual Size, closed with Alt+F4")
        << QPoint(31 + 344 + 7, 462 + 8) << QStringList() << "alt+F4" << "PICTURE" << dwordText(2);
    QTest::newRow("Random") << QPoint(31 + 384 + 7, 494 + 8) << QStringList() << QString() << "ORDER" << dwordText(1);
    QTest::newRow("position bar, closed with Alt+F4")
        << QPoint(568 + 7, 464 + 8) << QStringList() << "alt+F4" << "SCROLL" << dwordText(1);
    QTest::newRow("delay typed") << QPoint(776 + 16, 432 + 9)
                                 << QStringList{"End", "BackSpace", "BackSpace", "2", "5"} << QString() << "DELAY"
                                 << textValue("25");
}

// Started without options, the program saves the options the user changed when the main
// window is closed, and every other value as it was.
void tst_E2E::closingMainWindowSavesChangedOptions()
{
    QFETCH(QPoint, clickAt);
    QFETCH(QStringList, typed);
    QFETCH(QString, closeKeys);
    QFETCH(QString, value);
    QFETCH(QString, saved);

    QVERIFY(!makePictures({{"green.png", Green}}).isEmpty());
    const QString folder = canonical(picturesPath());
    QVERIFY(m_run->writeSettings(folder));
    QVERIFY(m_run->start({}, m_run->homePath()));
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure("the main window did not show"));
    QVERIFY2(clickInWindow(main, clickAt), failure("could not click"));
    if (!typed.isEmpty())
        QVERIFY2(Desktop::pressKeys(typed), failure("could not type"));
    QVERIFY2(endWith(main, closeKeys), failure("closing did not end the program cleanly"));
    compareSavedRecord(folder, {{value, saved}});
}

// A file that cannot be loaded shows the "Sorry" banner on black and the show goes on: Right
// walks the whole list, wrapping at its end, and Left walks back.
void tst_E2E::pictureThatCannotBeLoadedShowsSorryAndShowGoesOn()
{
    const QList<Picture> pictures = makePictures(
        {{"green.png", Green}, {"blue.jpg", Blue}, {SampleTextFile, QColor()}, {"white.bmp", White}, {"empty.gif", QColor()}});
    QCOMPARE(pictures.size(), 5);
    QVERIFY(m_run->writeSettings(m_run->homePath(), windowedShow(30)));

    QVERIFY(m_run->start({picturesPath(), "--window"}, m_run->homePath()));
    const WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure("no slide window alone on screen"));
    for (qsizetype step = 0; step <= pictures.size(); ++step) {
        const Picture &picture = pictures[step % pictures.size()];
        QVERIFY2(waitForPicture(picture), failure(QStringLiteral("step %1 does not show %2").arg(step).arg(picture.name)));
        if (step < pictures.size())
            QVERIFY(pressKey(slide, "Right"));
    }
    QVERIFY(pressKey(slide, "Left"));
    QVERIFY2(waitForPicture(pictures.last()), failure("Left from the first did not show the last"));
    QVERIFY2(endWith(slide, "x"), failure("X did not end the program cleanly"));
}

// Left alone, the show moves on by itself every delay, in list order, round and round.
void tst_E2E::timerAdvancesTheShow()
{
    const QList<Picture> pictures = makePictures({{"green.png", Green}, {"blue.jpg", Blue}, {"white.bmp", White}});
    QCOMPARE(pictures.size(), 3);
    // Short for the test, long against the time one look at the screen takes on a busy machine.
    QVERIFY(m_run->writeSettings(m_run->homePath(), windowedShow(3)));

    QVERIFY(m_run->start({picturesPath(), "--window"}, m_run->homePath()));
    const WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure("no slide window alone on screen"));
    const qsizetype shown = waitForAnyPicture(pictures);
    QVERIFY2(shown >= 0, failure("no picture on screen"));
    for (int tick = 1; tick <= pictures.size(); ++tick) {
        const Picture &next = pictures[(shown + tick) % pictures.size()];
        QVERIFY2(waitForPicture(next), failure(QStringLiteral("tick %1 did not show %2").arg(tick).arg(next.name)));
    }
    QVERIFY2(endWith(slide, "x"), failure("X did not end the program cleanly"));
}

// The bordered slide window opens where it was left, frame included, and where the user
// moved it is stored at exit - the same outer rectangle run after run, never growing by the
// window manager's frame.
void tst_E2E::slideWindowPlacementIsRemembered()
{
    const QList<Picture> pictures = makePictures({{"green.png", Green}, {"blue.jpg", Blue}});
    QCOMPARE(pictures.size(), 2);
    QVERIFY(m_run->writeSettings(m_run->homePath(), windowedShow(30)));

    // A folder without options: the show starts and the settings are written at exit.
    QVERIFY(m_run->start({picturesPath()}, m_run->homePath()));
    WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure("no slide window alone on screen"));
    QTRY_COMPARE_WITH_TIMEOUT(Desktop::frameRect(slide), SlidePlacement, Desktop::TimeoutMs);

    QVERIFY2(Desktop::moveResize(slide, QRect(120, 80, 700, 420)), failure("the window manager did not move the window"));
    // Where exactly the window manager puts the frame is its own business: the stored
    // placement is compared with what is on screen.
    QRect placed;
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     placed = Desktop::frameRect(slide);
                     return placed.topLeft() != SlidePlacement.topLeft() && placed.size() != SlidePlacement.size();
                 },
                 Desktop::TimeoutMs),
             failure("the slide window stayed where it was"));
    QVERIFY2(waitForPicture(pictures[0]), failure("the picture was not laid out again"));

    // Closing an open slide window returns to the main window.
    QVERIFY(Desktop::requestClose(slide));
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure("closing the slide window did not bring the main window back"));
    QVERIFY2(endWith(main), failure("no clean exit after the close request"));

    const auto checkStored = [this](const QRect &outer) {
        const QMap<QString, QString> values = m_run->settingsValues();
        QCOMPARE(values.value("Left"), dwordText(outer.x() * 15));
        QCOMPARE(values.value("Top"), dwordText(outer.y() * 15));
        QCOMPARE(values.value("Width"), dwordText(outer.width() * 15));
        QCOMPARE(values.value("Height"), dwordText(outer.height() * 15));
    };
    checkStored(placed);
    if (QTest::currentTestFailed())
        return;

    // The next run opens the window on the same outer rectangle and stores it unchanged.
    QVERIFY(m_run->start({picturesPath()}, m_run->homePath()));
    slide = waitForSlideWindow();
    QVERIFY2(slide, failure("no slide window in the second run"));
    QTRY_COMPARE_WITH_TIMEOUT(Desktop::frameRect(slide), placed, Desktop::TimeoutMs);
    QVERIFY2(endWith(slide, "x"), failure("X did not end the program cleanly"));
    checkStored(placed);
}

// "Full Screen", the stored display kind: the borderless window covers the whole screen, the
// keys work there too, and neither the show nor quitting it touches the stored placement.
void tst_E2E::fullScreenShowCoversTheScreenAndKeepsThePlacement()
{
    const QList<Picture> pictures = makePictures({{"green.png", Green}, {"blue.jpg", Blue}, {"white.bmp", White}});
    QCOMPARE(pictures.size(), 3);
    const QString folder = canonical(picturesPath());
    const QMap<QString, QString> slowShow{{"DELAY", textValue("30")}};
    QVERIFY(m_run->writeSettings(m_run->homePath(), slowShow));

    QVERIFY(m_run->start({folder}, m_run->homePath()));
    const WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure("no slide window alone on screen"));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QTRY_COMPARE_WITH_TIMEOUT(Desktop::frameRect(slide), screen, Desktop::TimeoutMs);
    QCOMPARE(Desktop::clientRect(slide), screen);
    QVERIFY2(waitForPicture(pictures[0]), failure("the show does not begin with " + pictures[0].name));

    QVERIFY(pressKey(slide, "space"));
    QVERIFY2(QTest::qWaitFor([&] { return slideScreen().showsPausedBanner(); }, Desktop::TimeoutMs),
             failure("Space showed no paused banner"));
    QVERIFY(pressKey(slide, "Right"));
    QVERIFY2(waitForPicture(pictures[1]), failure("Right did not show " + pictures[1].name));

    QVERIFY(pressKey(slide, "Escape"));
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure("Escape did not bring the main window back"));
    QVERIFY2(endWith(main), failure("no clean exit after the close request"));
    compareSavedRecord(folder, slowShow);
}

// A held arrow key over big camera photos: thirty presses come faster than the photos decode.
// The show ends on the picture asked for last, and Escape pressed in the middle of a burst
// brings the main window back at once instead of after every decode the burst asked for.
void tst_E2E::heldKeyOverBigPhotosNeverQueues()
{
    // One 24-megapixel photo of noise, as costly to decode as a real one, under thirty names;
    // at actual size each is decoded whole.
    QImage photo(6000, 4000, QImage::Format_RGB32);
    QRandomGenerator random(20261209);
    for (int y = 0; y < photo.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(photo.scanLine(y));
        for (int x = 0; x < photo.width(); x += 2) {
            const quint64 bits = random.generate64();
            line[x] = quint32(bits) | 0xff000000u;
            line[x + 1] = quint32(bits >> 32) | 0xff000000u;
        }
    }
    const QString big = QDir(picturesPath()).filePath(QStringLiteral("big.jpg"));
    QVERIFY(photo.save(big, "JPEG", 90));
    photo = QImage();
    QStringList arguments{QStringLiteral("--actual")};
    for (int i = 1; i <= 30; ++i) {
        arguments << QDir(picturesPath()).filePath(QStringLiteral("big-%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(QFile::copy(big, arguments.last()));
    }
    const Picture last{QStringLiteral("last.png"), Green};
    QVERIFY(writePicture(picturesPath(), last));
    arguments << QDir(picturesPath()).filePath(last.name);

    QVERIFY(m_run->start(arguments, m_run->homePath()));
    const WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure("no slide window alone on screen"));
    QVERIFY2(QTest::qWaitFor([&] { return slideScreen().middle() != QColor(Qt::black); }, Desktop::TimeoutMs),
             failure("the first photo never showed"));

    QVERIFY(Desktop::activate(slide));
    QVERIFY(Desktop::pressKeys(QStringList(30, QStringLiteral("Right"))));
    QVERIFY2(waitForPicture(last), failure("the picture asked for last is not the one shown"));

    // Back over the photos, and Escape right behind the last press.
    QElapsedTimer sinceEscape;
    QVERIFY(Desktop::pressKeys(QStringList(29, QStringLiteral("Left")) << QStringLiteral("Escape")));
    sinceEscape.start();
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure("Escape did not bring the main window back"));
    QVERIFY2(sinceEscape.elapsed() < 2000,
             failure(QStringLiteral("the main window came back %1 ms after Escape").arg(sinceEscape.elapsed())));
    QVERIFY2(endWith(main), failure("no clean exit after the close request"));
}

QTEST_MAIN(tst_E2E)
#include "tst_e2e.moc"
