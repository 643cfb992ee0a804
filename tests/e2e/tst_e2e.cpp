// End to end: the built program on an X server with a window manager (run-e2e.sh provides
// both), driven as a person drives it - keys and clicks through the X server, close requests
// through the window manager - and judged by a few pixels on screen and by the settings file
// it leaves behind.
#include "Desktop.h"
#include "PictarraRun.h"
#include "ProgramWindows.h"
#include "SlideScreen.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

using WindowId = Desktop::WindowId;

const QString Title = QStringLiteral("Pictarra");

// Middle of the "Display Selected" button.
const QPoint DisplaySelectedButton(692, 501);

// Where the tests put the bordered slide window (outer rectangle, pixels): wide enough that
// a portrait picture leaves black at both sides and the banners' left parts free.
const QRect SlidePlacement(190, 100, 900, 500);

const QColor Green(0, 255, 0);
const QColor Blue(0, 0, 255);
const QColor White(255, 255, 255);

// A file of a picture folder: a portrait picture of one solid colour in the format its
// name's suffix says, or, without a colour, a file that cannot be loaded.
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
    QFile empty(path);
    return empty.open(QIODevice::WriteOnly);
}

// The order the folder lists its files in, which the program's list keeps: it is not sorted.
QList<Picture> inListOrder(const QString &folder, const QList<Picture> &pictures)
{
    QList<Picture> ordered;
    QDirIterator files(folder, QDir::Files | QDir::Hidden);
    while (files.hasNext()) {
        const QString name = QFileInfo(files.next()).fileName();
        for (const Picture &picture : pictures) {
            if (picture.name == name)
                ordered << picture;
        }
    }
    return ordered;
}

// Settings for a show in a normal window at SlidePlacement.
QMap<QString, QString> windowedShow(int delaySeconds)
{
    return {
        {QStringLiteral("DISPLAY"), dwordText(1)},
        {QStringLiteral("Left"), dwordText(SlidePlacement.x() * 15)},
        {QStringLiteral("Top"), dwordText(SlidePlacement.y() * 15)},
        {QStringLiteral("Width"), dwordText(SlidePlacement.width() * 15)},
        {QStringLiteral("Height"), dwordText(SlidePlacement.height() * 15)},
        {QStringLiteral("DELAY"), textValue(QString::number(delaySeconds))},
    };
}

// What the main window saves at exit when nobody touched it after a first run: the same
// record, but the pattern box shows "*.*" for a blank stored pattern, and that is saved.
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
    QString text = rawValue;
    if (text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')) && text.size() >= 2)
        text = text.mid(1, text.size() - 2);
    return canonical(text);
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
    void folderWithOptionsStartsShuffledShowAndLeavesSettingsAlone();
    void windowedShowPausesAdvancesAndQuitsToMainWindow();
    void closingMainWindowSavesChangedOptions_data();
    void closingMainWindowSavesChangedOptions();
    void pictureThatCannotBeLoadedShowsSorryAndShowGoesOn();
    void timerAdvancesTheShow();
    void slideWindowPlacementIsRemembered();
    void fullScreenShowCoversTheScreenAndKeepsThePlacement();

private:
    // The pictures in `m_pictures`, returned in list order.
    QList<Picture> makePictures(const QList<Picture> &pictures);
    QString picturesPath() const { return m_pictures->path(); }

    // Visible windows of the program, told apart by the main window's fixed size (the
    // borderless slide window has no title to tell it by).
    QList<WindowId> mainWindows() const;
    QList<WindowId> slideWindows() const;
    // Waits until the main window alone is visible, its gold on screen; 0 on timeout.
    WindowId waitForMainWindow();
    // Waits until one slide window and no main window is visible; 0 on timeout.
    WindowId waitForSlideWindow();
    SlideScreen slideScreen() const;
    bool waitForPicture(const Picture &picture);
    bool pressKeys(WindowId window, const QStringList &keys);
    bool clickInWindow(WindowId window, QPoint clientPoint);
    bool waitForCleanExit();

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
    // Ends a program the test left running, so that the next test starts on an empty screen.
    m_run.reset();
    m_pictures.reset();
}

QList<Picture> tst_E2E::makePictures(const QList<Picture> &pictures)
{
    for (const Picture &picture : pictures) {
        if (!writePicture(picturesPath(), picture))
            return {};
    }
    return inListOrder(picturesPath(), pictures);
}

QList<WindowId> tst_E2E::mainWindows() const
{
    return ProgramWindows::mainWindows(m_run->pid());
}

QList<WindowId> tst_E2E::slideWindows() const
{
    return ProgramWindows::otherWindows(m_run->pid());
}

WindowId tst_E2E::waitForMainWindow()
{
    return ProgramWindows::waitForMainWindow(*m_run);
}

WindowId tst_E2E::waitForSlideWindow()
{
    m_slide = 0;
    const bool settled = QTest::qWaitFor(
        [&] {
            const QList<WindowId> slides = slideWindows();
            m_slide = slides.size() == 1 && mainWindows().isEmpty() ? slides.first() : 0;
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
    return QTest::qWaitFor(
        [&] {
            const SlideScreen screen = slideScreen();
            return picture.colour.isValid() ? screen.showsPicture(picture.colour) : screen.showsCannotDisplay();
        },
        Desktop::TimeoutMs);
}

bool tst_E2E::pressKeys(WindowId window, const QStringList &keys)
{
    return Desktop::activate(window) && Desktop::pressKeys(keys);
}

bool tst_E2E::clickInWindow(WindowId window, QPoint clientPoint)
{
    const QRect client = Desktop::clientRect(window);
    return !client.isEmpty() && Desktop::activate(window) && Desktop::click(client.topLeft() + clientPoint);
}

bool tst_E2E::waitForCleanExit()
{
    return m_run->waitForExit(Desktop::TimeoutMs) && m_run->exitedCleanly();
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
// closing the main window through the window manager writes the whole record again and
// ends the program with status 0.
void tst_E2E::firstStartWritesFirstRunSettingsAndClosingRewritesThem()
{
    QVERIFY(!m_run->settingsExist());
    QVERIFY(m_run->start({}, picturesPath()));
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure(QStringLiteral("the main window did not show")));
    QCOMPARE(Desktop::visibleWindows(m_run->pid(), Title), QList<WindowId>{main});

    // The working folder is the first LASTPATH.
    const QMap<QString, QString> firstRun = PictarraRun::firstRunValues(canonical(picturesPath()));
    QVERIFY2(m_run->settingsExist(), failure(m_run->settingsPath() + QStringLiteral(" missing after start-up")));
    QCOMPARE(m_run->settingsValues(), firstRun);

    // Something for the exit to overwrite: the program keeps the delay "10" in its box.
    QMap<QString, QString> edited{{QStringLiteral("DELAY"), textValue(QStringLiteral("99"))}};
    QVERIFY(m_run->writeSettings(canonical(picturesPath()), edited));
    QVERIFY2(Desktop::requestClose(main), failure(QStringLiteral("close request refused")));
    QVERIFY2(waitForCleanExit(), failure(QStringLiteral("no clean exit after the close request")));
    QCOMPARE(m_run->settingsValues(), savedWithoutChanges(canonical(picturesPath())));
    QVERIFY(!QFile::exists(m_run->settingsPath() + QStringLiteral(".bad")));
}

// A folder and options on the command line: the show starts at once in a window, shuffled,
// without the main window; X ends the program, and a run with options writes nothing.
void tst_E2E::folderWithOptionsStartsShuffledShowAndLeavesSettingsAlone()
{
    const QList<Picture> pictures = makePictures({{"green.png", Green}, {"blue.jpg", Blue}, {"white.bmp", White}});
    QCOMPARE(pictures.size(), 3);

    // A first run leaves the settings file a user would have.
    QVERIFY(m_run->start({}, m_run->homePath()));
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure(QStringLiteral("the main window of the first run did not show")));
    QVERIFY(Desktop::requestClose(main));
    QVERIFY2(waitForCleanExit(), failure(QStringLiteral("the first run did not end cleanly")));
    const QByteArray before = m_run->settingsBytes();
    QVERIFY(!before.isEmpty());

    QVERIFY(m_run->start({picturesPath(), QStringLiteral("--window"), QStringLiteral("--random")}, m_run->homePath()));
    const WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure(QStringLiteral("no slide window alone on screen")));
    const bool showsOne = QTest::qWaitFor(
        [&] {
            const SlideScreen screen = slideScreen();
            for (const Picture &picture : pictures) {
                if (screen.showsPicture(picture.colour))
                    return true;
            }
            return false;
        },
        Desktop::TimeoutMs);
    QVERIFY2(showsOne, failure(QStringLiteral("no picture on black in the slide window")));
    QCOMPARE(Desktop::visibleWindows(m_run->pid(), Title), QList<WindowId>{slide});
    QVERIFY2(mainWindows().isEmpty(), failure(QStringLiteral("the main window is shown behind the show")));

    QVERIFY2(pressKeys(slide, {QStringLiteral("x")}), failure(QStringLiteral("could not press X")));
    QVERIFY2(waitForCleanExit(), failure(QStringLiteral("X did not end the program cleanly")));
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

    QVERIFY(m_run->start({picturesPath(), QStringLiteral("--window")}, m_run->homePath()));
    WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure(QStringLiteral("no slide window alone on screen")));
    QVERIFY2(waitForPicture(pictures[0]), failure(QStringLiteral("the show does not begin with ") + pictures[0].name));
    QVERIFY2(!slideScreen().showsPausedBanner(), failure(QStringLiteral("paused banner on a running show")));

    QVERIFY(pressKeys(slide, {QStringLiteral("space")}));
    QVERIFY2(QTest::qWaitFor([&] { return slideScreen().showsPausedBanner(); }, Desktop::TimeoutMs),
             failure(QStringLiteral("Space showed no paused banner")));
    QVERIFY2(slideScreen().showsPicture(pictures[0].colour), failure(QStringLiteral("pausing changed the picture")));

    QVERIFY(pressKeys(slide, {QStringLiteral("Right")}));
    QVERIFY2(waitForPicture(pictures[1]), failure(QStringLiteral("Right did not show ") + pictures[1].name));
    QVERIFY2(slideScreen().showsPausedBanner(), failure(QStringLiteral("Right resumed a paused show")));

    QVERIFY(pressKeys(slide, {QStringLiteral("q")}));
    WindowId main = waitForMainWindow();
    QVERIFY2(main, failure(QStringLiteral("Q did not bring the main window back")));

    // The list still holds the ticked pictures: Display starts the show from the top again.
    QVERIFY(clickInWindow(main, DisplaySelectedButton));
    slide = waitForSlideWindow();
    QVERIFY2(slide, failure(QStringLiteral("Display Selected started no show")));
    QVERIFY2(waitForPicture(pictures[0]), failure(QStringLiteral("the second show does not begin with ") + pictures[0].name));
    QVERIFY2(!slideScreen().showsPausedBanner(), failure(QStringLiteral("the second show starts paused")));

    QVERIFY(pressKeys(slide, {QStringLiteral("Escape")}));
    main = waitForMainWindow();
    QVERIFY2(main, failure(QStringLiteral("Escape did not bring the main window back")));
    QVERIFY(Desktop::requestClose(main));
    QVERIFY2(waitForCleanExit(), failure(QStringLiteral("no clean exit after the close request")));
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
    QTest::newRow("delay typed")
        << QPoint(776 + 16, 432 + 9)
        << QStringList{QStringLiteral("End"), QStringLiteral("BackSpace"), QStringLiteral("BackSpace"),
                       QStringLiteral("2"), QStringLiteral("5")}
        << QString() << "DELAY" << textValue(QStringLiteral("25"));
}

// Started without options, the program writes the options the user changed when the main
// window is closed, and leaves every other value as it was.
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
    QMap<QString, QString> expected = savedWithoutChanges(folder);
    expected.insert(value, saved);

    QVERIFY(m_run->start({}, m_run->homePath()));
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure(QStringLiteral("the main window did not show")));
    QVERIFY2(clickInWindow(main, clickAt), failure(QStringLiteral("could not click")));
    if (!typed.isEmpty())
        QVERIFY2(Desktop::pressKeys(typed), failure(QStringLiteral("could not type")));

    if (closeKeys.isEmpty())
        QVERIFY2(Desktop::requestClose(main), failure(QStringLiteral("close request refused")));
    else
        QVERIFY2(pressKeys(main, {closeKeys}), failure(QStringLiteral("could not press ") + closeKeys));
    QVERIFY2(waitForCleanExit(), failure(QStringLiteral("closing did not end the program cleanly")));

    QMap<QString, QString> values = m_run->settingsValues();
    QCOMPARE(storedFolder(values.take(QStringLiteral("LASTPATH"))), folder);
    expected.remove(QStringLiteral("LASTPATH"));
    QCOMPARE(values, expected);
}

// A file that cannot be loaded shows the "Sorry" banner on black and the show goes on: Right
// walks the whole list, wrapping at its end, and Left walks back.
void tst_E2E::pictureThatCannotBeLoadedShowsSorryAndShowGoesOn()
{
    const QList<Picture> pictures = makePictures({{"green.png", Green},
                                                  {"blue.jpg", Blue},
                                                  {SampleTextFile, QColor()},
                                                  {"white.bmp", White},
                                                  {"empty.gif", QColor()}});
    QCOMPARE(pictures.size(), 5);
    QVERIFY(m_run->writeSettings(m_run->homePath(), windowedShow(30)));

    QVERIFY(m_run->start({picturesPath(), QStringLiteral("--window")}, m_run->homePath()));
    const WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure(QStringLiteral("no slide window alone on screen")));
    for (qsizetype step = 0; step <= pictures.size(); ++step) {
        const Picture &picture = pictures[step % pictures.size()];
        QVERIFY2(waitForPicture(picture), failure(QStringLiteral("step %1 does not show %2").arg(step).arg(picture.name)));
        if (step < pictures.size())
            QVERIFY(pressKeys(slide, {QStringLiteral("Right")}));
    }
    QVERIFY(pressKeys(slide, {QStringLiteral("Left")}));
    QVERIFY2(waitForPicture(pictures.last()), failure(QStringLiteral("Left from the first did not show the last")));

    QVERIFY(pressKeys(slide, {QStringLiteral("x")}));
    QVERIFY2(waitForCleanExit(), failure(QStringLiteral("X did not end the program cleanly")));
}

// Left alone, the show moves on by itself every delay, in list order, round and round.
void tst_E2E::timerAdvancesTheShow()
{
    const QList<Picture> pictures = makePictures({{"green.png", Green}, {"blue.jpg", Blue}, {"white.bmp", White}});
    QCOMPARE(pictures.size(), 3);
    // Short for the test, long against the time one look at the screen takes on a busy machine.
    QVERIFY(m_run->writeSettings(m_run->homePath(), windowedShow(3)));

    QVERIFY(m_run->start({picturesPath(), QStringLiteral("--window")}, m_run->homePath()));
    const WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure(QStringLiteral("no slide window alone on screen")));
    qsizetype shown = -1;
    const bool showsOne = QTest::qWaitFor(
        [&] {
            const SlideScreen screen = slideScreen();
            for (qsizetype i = 0; i < pictures.size(); ++i) {
                if (screen.showsPicture(pictures[i].colour))
                    shown = i;
            }
            return shown >= 0;
        },
        Desktop::TimeoutMs);
    QVERIFY2(showsOne, failure(QStringLiteral("no picture on screen")));
    for (int tick = 1; tick <= pictures.size(); ++tick) {
        const Picture &next = pictures[(shown + tick) % pictures.size()];
        QVERIFY2(waitForPicture(next), failure(QStringLiteral("tick %1 did not show %2").arg(tick).arg(next.name)));
    }

    QVERIFY(pressKeys(slide, {QStringLiteral("x")}));
    QVERIFY2(waitForCleanExit(), failure(QStringLiteral("X did not end the program cleanly")));
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
    QVERIFY2(slide, failure(QStringLiteral("no slide window alone on screen")));
    QTRY_COMPARE_WITH_TIMEOUT(Desktop::frameRect(slide), SlidePlacement, Desktop::TimeoutMs);

    const QRect moved(120, 80, 700, 420);
    QVERIFY2(Desktop::moveResize(slide, moved), failure(QStringLiteral("the window manager did not move the window")));
    QRect placed;
    // One request moves and resizes; where exactly the window manager puts the frame for it
    // is its own business, so the stored placement is compared with what is on screen.
    QVERIFY2(QTest::qWaitFor(
                 [&] {
                     placed = Desktop::frameRect(slide);
                     return placed.topLeft() != SlidePlacement.topLeft() && placed.size() != SlidePlacement.size();
                 },
                 Desktop::TimeoutMs),
             failure(QStringLiteral("the slide window stayed where it was")));
    QVERIFY2(waitForPicture(pictures[0]), failure(QStringLiteral("the picture was not laid out again")));

    // Closing an open slide window returns to the main window.
    QVERIFY(Desktop::requestClose(slide));
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure(QStringLiteral("closing the slide window did not bring the main window back")));
    QVERIFY(Desktop::requestClose(main));
    QVERIFY2(waitForCleanExit(), failure(QStringLiteral("no clean exit after the close request")));

    const auto checkStored = [this](const QRect &outer) {
        const QMap<QString, QString> values = m_run->settingsValues();
        QCOMPARE(values.value(QStringLiteral("Left")), dwordText(outer.x() * 15));
        QCOMPARE(values.value(QStringLiteral("Top")), dwordText(outer.y() * 15));
        QCOMPARE(values.value(QStringLiteral("Width")), dwordText(outer.width() * 15));
        QCOMPARE(values.value(QStringLiteral("Height")), dwordText(outer.height() * 15));
    };
    checkStored(placed);
    if (QTest::currentTestFailed())
        return;

    // The next run opens the window on the same outer rectangle and stores it unchanged.
    QVERIFY(m_run->start({picturesPath()}, m_run->homePath()));
    slide = waitForSlideWindow();
    QVERIFY2(slide, failure(QStringLiteral("no slide window in the second run")));
    QTRY_COMPARE_WITH_TIMEOUT(Desktop::frameRect(slide), placed, Desktop::TimeoutMs);
    QVERIFY(pressKeys(slide, {QStringLiteral("x")}));
    QVERIFY2(waitForCleanExit(), failure(QStringLiteral("X did not end the program cleanly")));
    checkStored(placed);
}

// "Full Screen", the stored display kind: the borderless window covers the whole screen, the
// keys work there too, and neither the show nor quitting it touches the stored placement.
void tst_E2E::fullScreenShowCoversTheScreenAndKeepsThePlacement()
{
    const QList<Picture> pictures = makePictures({{"green.png", Green}, {"blue.jpg", Blue}, {"white.bmp", White}});
    QCOMPARE(pictures.size(), 3);
    const QString folder = canonical(picturesPath());
    const QMap<QString, QString> slowShow{{QStringLiteral("DELAY"), textValue(QStringLiteral("30"))}};
    QVERIFY(m_run->writeSettings(m_run->homePath(), slowShow));

    QVERIFY(m_run->start({folder}, m_run->homePath()));
    const WindowId slide = waitForSlideWindow();
    QVERIFY2(slide, failure(QStringLiteral("no slide window alone on screen")));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QTRY_COMPARE_WITH_TIMEOUT(Desktop::frameRect(slide), screen, Desktop::TimeoutMs);
    QCOMPARE(Desktop::clientRect(slide), screen);
    QVERIFY2(waitForPicture(pictures[0]), failure(QStringLiteral("the show does not begin with ") + pictures[0].name));

    QVERIFY(pressKeys(slide, {QStringLiteral("space")}));
    QVERIFY2(QTest::qWaitFor([&] { return slideScreen().showsPausedBanner(); }, Desktop::TimeoutMs),
             failure(QStringLiteral("Space showed no paused banner")));
    QVERIFY(pressKeys(slide, {QStringLiteral("Right")}));
    QVERIFY2(waitForPicture(pictures[1]), failure(QStringLiteral("Right did not show ") + pictures[1].name));

    QVERIFY(pressKeys(slide, {QStringLiteral("Escape")}));
    const WindowId main = waitForMainWindow();
    QVERIFY2(main, failure(QStringLiteral("Escape did not bring the main window back")));
    QVERIFY(Desktop::requestClose(main));
    QVERIFY2(waitForCleanExit(), failure(QStringLiteral("no clean exit after the close request")));

    QMap<QString, QString> values = m_run->settingsValues();
    QCOMPARE(storedFolder(values.take(QStringLiteral("LASTPATH"))), folder);
    QMap<QString, QString> expected = savedWithoutChanges(folder);
    expected.remove(QStringLiteral("LASTPATH"));
    expected.insert(slowShow);
    QCOMPARE(values, expected);
}

QTEST_MAIN(tst_E2E)
#include "tst_e2e.moc"
