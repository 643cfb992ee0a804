// The slide window runs the show over the ticked entries: moving, pausing, zooming, keys,
// menu, the bar's one-step rule, the sorry banner, and where the window is recorded.
#include "FakeSlideHost.h"

#include "show/ClickableLabel.h"
#include "show/PictureView.h"
#include "show/ShowTimer.h"
#include "show/SlideMenu.h"
#include "show/SlideWindow.h"

#include "platform/QtPictureLoader.h"

#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QString picturePath(int index)
{
    return QStringLiteral("/pictures/%1.jpg").arg(index + 1, 2, 10, QLatin1Char('0'));
}

} // namespace

class tst_SlideWindow : public QObject
{
    Q_OBJECT
    std::unique_ptr<FakeSlideHost> m_host;
    QPointer<SlideWindow> m_window;

    int current() const { return m_host->list.currentIndex(); }
    QRect recordedPlacement() const
    {
        const ProgramState &s = m_host->state;
        return QRect(s.SlideLeft, s.SlideTop, s.SlideWidth, s.SlideHeight);
    }

    // A show over `count` pictures of 400 x 300 pixels.
    SlideWindow *startShow(int count, const QList<int> &ticked, int current, SlideWindowKind kind = SlideWindowKind::Bordered)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            paths << picturePath(i);
            m_host->fakeLoader.addPicture(paths.last(), QSize(400, 300));
        }
        return startShowOf(paths, ticked, current, kind);
    }

    SlideWindow *startShowOf(const QStringList &paths, const QList<int> &ticked, int current,
                             SlideWindowKind kind = SlideWindowKind::Bordered)
    {
        m_host->setPlayList(paths, ticked, current);
        m_host->state.SinglePicture = m_host->list.tickedCount() == 1;
        m_window = new SlideWindow(kind, *m_host);
        if (kind == SlideWindowKind::Bordered) {
            const ProgramState &s = m_host->state;
            m_window->applyPlacement(s.SlideTop, s.SlideLeft, s.SlideWidth, s.SlideHeight);
        }
        m_window->present();
        settle();
        return m_window;
    }

    // Pictures are decoded off the window's thread: waits until the one asked for last is on
    // screen (or its banner is).
    void settle()
    {
        QTRY_VERIFY(!m_window->pictureBusy());
    }

private Q_SLOTS:
    void init() { m_host = std::make_unique<FakeSlideHost>(); }

    void cleanup()
    {
        delete m_window;
        m_host.reset();
    }

    void movesOverTickedEntries_data()
    {
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("expected");

        QTest::newRow("start on ticked current entry") << QList<int>{2, 5} << 5 << "start" << 5;
        QTest::newRow("start on unticked entry moves on") << QList<int>{2, 5} << 3 << "start" << 5;
        QTest::newRow("start on unticked last entry wraps") << QList<int>{2, 5} << 9 << "start" << 2;
        QTest::newRow("start without current entry: first tick") << QList<int>{4, 6} << -1 << "start" << 4;
        QTest::newRow("start single picture, no current entry") << QList<int>{4} << -1 << "start" << 4;
        QTest::newRow("next skips unticked") << QList<int>{1, 3, 8} << 3 << "next" << 8;
        QTest::newRow("next wraps to the top") << QList<int>{1, 3, 8} << 8 << "next" << 1;
        QTest::newRow("previous wraps to the end") << QList<int>{1, 3, 8} << 1 << "previous" << 8;
        QTest::newRow("from unticked, previous") << QList<int>{2, 5} << 4 << "previous" << 2;
        // The bar moves the show one step whatever its thumb was dragged to.
        const QList<int> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("bar dragged towards the end") << all << 8 << "drag" << 5;
        QTest::newRow("bar dragged towards the start") << all << 0 << "drag" << 3;
    }

    void movesOverTickedEntries()
    {
        QFETCH(QList<int>, ticked);
        QFETCH(int, from);
        QFETCH(QString, command);
        QFETCH(int, expected);
        SlideWindow *window = startShow(10, ticked, command == "start" ? from : command == "drag" ? 4 : ticked.first());
        if (command == "drag") {
            window->ScrollBar->setValue(from); // where a drag lets the thumb go
        } else if (command != "start") {
            m_host->list.setCurrentIndex(from);
            command == "next" ? window->MenuNext_Click() : window->MenuPrevious_Click();
        }
        // The position follows at once; the picture once decoded.
        QCOMPARE(current(), expected);
        settle();
        QCOMPARE(window->ScrollBar->value(), expected);
        QCOMPARE(window->Image1->picture().path, picturePath(expected));
        QVERIFY(!window->pictureBusy());
        const bool single = ticked.size() == 1;
        QCOMPARE(window->Timer1->isEnabled(), !single);
        QCOMPARE(window->ScrollBar->isEnabled(), !single);
        QVERIFY(!window->LabelPAUSED->isVisible());
    }

    // The delay's rules are the show engine's; the window hands them its delay box.
    void delayIsValidated()
    {
        m_host->delay = QStringLiteral("45");
        SlideWindow *window = startShow(3, {0, 1, 2}, 0);
        QCOMPARE(m_host->delay, QStringLiteral("32"));
        QCOMPARE(window->Timer1->interval(), 32000);
        QVERIFY(window->Timer1->isTicking());
    }

    void keysRunTheirCommands_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("effect");

        const int none = Qt::NoModifier;
        QTest::newRow("Q") << int(Qt::Key_Q) << none << "quit";
        QTest::newRow("Escape") << int(Qt::Key_Escape) << none << "quit";
        QTest::newRow("Space") << int(Qt::Key_Space) << none << "pause";
        QTest::newRow("Ctrl+Space") << int(Qt::Key_Space) << int(Qt::ControlModifier) << "pause";
        QTest::newRow("Left") << int(Qt::Key_Left) << none << "previous";
        QTest::newRow("Right") << int(Qt::Key_Right) << none << "next";
        QTest::newRow("Up") << int(Qt::Key_Up) << none << "larger";
        QTest::newRow("Down") << int(Qt::Key_Down) << none << "smaller";
        QTest::newRow("A") << int(Qt::Key_A) << none << "actual";
        QTest::newRow("Z") << int(Qt::Key_Z) << none << "zoom";
        QTest::newRow("E") << int(Qt::Key_E) << none << "edit";
        QTest::newRow("M") << int(Qt::Key_M) << none << "minimise";
        QTest::newRow("X") << int(Qt::Key_X) << none << "exit";
        QTest::newRow("B does nothing") << int(Qt::Key_B) << none << "nothing";
    }

    void keysRunTheirCommands()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, effect);
        m_host->barWanted = false; // the window itself gets the keys
        m_host->sizing = 1;
        SlideWindow *window = startShow(10, {0, 2, 4, 6, 8}, 4);
        // The first layout still allowed for the bar; later ones do not.
        window->fnShowPicture();
        settle();
        const double height = window->Image1->pictureGeometry().height;

        QTest::keyClick(window, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        const bool quit = effect == "quit" || effect == "exit";
        QCOMPARE(window->isHidden(), quit);
        QCOMPARE(m_host->mainShownCount, quit ? 1 : 0);
        QCOMPARE(m_host->exitCount, effect == "exit" ? 1 : 0);
        QCOMPARE(window->isPaused(), effect == "pause" || effect == "minimise" || effect == "edit");
        QCOMPARE(window->isMinimized(), effect == "minimise");
        QCOMPARE(current(), effect == "previous" ? 2 : effect == "next" ? 6 : 4);
        QCOMPARE(m_host->sizing, effect == "actual" ? 2 : effect == "zoom" ? 0 : 1);
        QCOMPARE(m_host->shellHandoff.files, effect == "edit" ? QStringList{picturePath(4)} : QStringList());
        const double zoomed = window->Image1->pictureGeometry().height;
        if (effect == "larger")
            QVERIFY(zoomed > height);
        else if (effect == "smaller")
            QVERIFY(zoomed < height);
        else if (effect == "actual")
            QCOMPARE(zoomed, 300.0 * 15);
        else if (effect != "zoom")
            QCOMPARE(zoomed, height);
    }

    void barHoldsTheFocusAndKeepsOnlyLeftAndRight()
    {
        SlideWindow *window = startShow(10, {0, 2, 4, 6, 8}, 4);
        QVERIFY(QTest::qWaitForWindowActive(window));
        QTRY_VERIFY(window->ScrollBar->hasFocus());

        QTest::keyClick(window->ScrollBar, Qt::Key_Right);
        QCOMPARE(current(), 6);
        QCOMPARE(window->ScrollBar->value(), 6);
        QTest::keyClick(window->ScrollBar, Qt::Key_Left);
        QCOMPARE(current(), 4);
        settle();

        // Other keys go to the window, and the bar does not move with them.
        const double height = window->Image1->pictureGeometry().height;
        QTest::keyClick(window->ScrollBar, Qt::Key_Up);
        QVERIFY(window->Image1->pictureGeometry().height > height);
        QTest::keyClick(window->ScrollBar, Qt::Key_End);
        QCOMPARE(window->ScrollBar->value(), 4);
        QCOMPARE(current(), 4);
    }

    void pauseResumeAndBanner()
    {
        m_host->state.HandCursorFile = QStringLiteral("/usr/share/icons/default/cursors/hand2");
        SlideWindow *window = startShow(3, {0, 1, 2}, 1);
        QCOMPARE(window->LabelPAUSED->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        window->MenuPause_Click();
        QVERIFY(window->isPaused());
        QVERIFY(window->LabelPAUSED->isVisible());
        const QString caption = QStringLiteral("|| Paused - ") + picturePath(1);
        QCOMPARE(window->LabelPAUSED->text(), caption);
        QCOMPARE(window->LabelPAUSED->width(), 8 * int(caption.length()));

        // Moving while paused keeps the pause and follows with the caption.
        window->MenuNext_Click();
        QVERIFY(window->isPaused());
        QCOMPARE(window->LabelPAUSED->text(), QStringLiteral("|| Paused - ") + picturePath(2));

        window->MenuPause_Click();
        QVERIFY(!window->isPaused());
        QVERIFY(!window->LabelPAUSED->isVisible());

        window->MenuPause_Click();
        QTest::mouseClick(window->LabelPAUSED, Qt::LeftButton);
        QVERIFY(!window->isPaused());
        QVERIFY(window->Timer1->isEnabled());
        QVERIFY(!window->MenuPopup->isVisible());

        // E toggles the pause only when the hand-off was made.
        window->MenuEdit_Click();
        QVERIFY(window->isPaused());
        m_host->shellHandoff.result = false;
        window->MenuEdit_Click();
        QVERIFY(window->isPaused());
        QCOMPARE(m_host->shellHandoff.files.size(), 2);
    }

    // The screen is kept awake exactly while a show runs on screen: asked once when it starts,
    // withdrawn on pause and back on resume, withdrawn when minimised, quit, closed or gone.
    void runningShowKeepsTheScreenAwake()
    {
        m_host->delay = QStringLiteral("0"); // a show that moves on keys alone is a show too
        SlideWindow *window = startShow(3, {0, 1, 2}, 0);
        QCOMPARE(m_host->awakeChanges, QList<bool>{true});
        window->MenuNext_Click();
        settle();
        window->MenuPause_Click();
        window->MenuPause_Click();
        QCOMPARE(m_host->awakeChanges, (QList<bool>{true, false, true}));
        window->MenuMinimise_Click();
        QVERIFY(!m_host->screenKeptAwake);
        window->showNormal();
        window->LabelPAUSED_Click();
        QTRY_VERIFY(m_host->screenKeptAwake);
        window->MenuQuit_Click();
        QVERIFY(!m_host->screenKeptAwake);
        window->present();
        QVERIFY(m_host->screenKeptAwake);
        window->close();
        QVERIFY(!m_host->screenKeptAwake);
        QTRY_VERIFY(m_window.isNull());

        // A single picture is no running show.
        startShow(3, {1}, 1);
        QVERIFY(!m_host->screenKeptAwake);
        m_host->state.SinglePicture = false;
        m_window->present();
        QVERIFY(m_host->screenKeptAwake);
        delete m_window;
        QVERIFY(!m_host->screenKeptAwake);
    }

    void singlePictureNeverMoves()
    {
        SlideWindow *window = startShow(5, {3}, 3);
        for (Qt::Key key : {Qt::Key_Space, Qt::Key_Left, Qt::Key_Right})
            window->Form_KeyDown(key);
        window->ScrollBar->setValue(0);
        window->Timer1_Timer();
        QCOMPARE(current(), 3);
        QVERIFY(!window->Timer1->isEnabled());
        QVERIFY(!window->LabelPAUSED->isVisible());

        window->MenuEdit_Click();
        QVERIFY(!window->LabelPAUSED->isVisible());
        window->Form_KeyDown(Qt::Key_M);
        QVERIFY(window->isMinimized());
        QVERIFY(window->LabelPAUSED->isHidden());
    }

    void timerTicks()
    {
        SlideWindow *window = startShow(4, {0, 1, 3}, 1);
        window->Timer1_Timer();
        QCOMPARE(current(), 3);
        QVERIFY(window->Timer1->isEnabled());
        window->showMinimized();
        window->Timer1_Timer();
        QCOMPARE(current(), 3);
        QVERIFY(window->isPaused());

        // A real tick moves the show on its own.
        window->showNormal();
        m_host->delay = QStringLiteral("1");
        window->Form_Activate();
        QTRY_COMPARE_WITH_TIMEOUT(current(), 0, 5000);
    }

    void layoutUsesTheWindowsArea()
    {
        // Bordered: the frame allowances, and the bar, visible in a new window.
        SlideWindow *window = startShow(2, {0, 1}, 0);
        QCOMPARE(window->frameGeometry(), QRect(100, 100, 600, 400));
        const SlideFrame bordered{9000, 6000, SlideWindow::BarHeightTwips, true};
        const PictureGeometry expected = fnLayoutPicture(PictureSizing::ExpandWithoutDistorting, bordered, 6000, 4500);
        const PictureGeometry laidOut = window->Image1->pictureGeometry();
        QCOMPARE(laidOut.width, expected.width);
        QCOMPARE(laidOut.top, expected.top);
        QCOMPARE(window->ScrollBar->geometry(), QRect(0, 400 - 17 - 32, 600 - 8, 17));
        // Decoded for what is shown, not at full size.
        QCOMPARE(m_host->fakeLoader.lastDecodeSize(picturePath(0)), QSize(592, 444));
        delete m_window;

        // Full screen: the whole screen of the main window, the bar flush with its bottom.
        m_host->display = 0;
        m_host->barWanted = false;
        window = startShow(2, {0, 1}, 0, SlideWindowKind::FullScreen);
        const QRect screen = m_host->main.screen()->geometry();
        QTRY_COMPARE(window->geometry(), screen);
        QCOMPARE(window->ScrollBar->geometry(),
                 QRect(0, screen.height() - 17, screen.width(), 17));
        const SlideFrame full{screen.width() * 15, screen.height() * 15, SlideWindow::BarHeightTwips, false};
        QCOMPARE(window->Image1->pictureGeometry().width,
                 fnLayoutPicture(PictureSizing::ExpandWithoutDistorting, full, 6000, 4500).width);
    }

    void failingFileShowsSorryAndTheShowGoesOn()
    {
        const QString broken = QStringLiteral("/pictures/<b>broken</b>.jpg");
        m_host->fakeLoader.addFailure(broken);
        m_host->fakeLoader.addPicture(picturePath(1), QSize(40, 30));
        startShowOf({broken, picturePath(1)}, {0, 1}, 0);
        QVERIFY(m_window->LabelSorry->isVisible());
        QCOMPARE(m_window->LabelSorry->text(), "Sorry, " + broken + " could not be displayed.");
        QCOMPARE(m_window->LabelSorry->textFormat(), Qt::PlainText);
        QCOMPARE(m_window->LabelSorry->width(), m_window->frameGeometry().width() - 8);
        QVERIFY(!m_window->Image1->isVisible());
        QVERIFY(m_host->preview.isNull());
        QCOMPARE(m_window->LabelPAUSED->text(), "|| Paused - " + broken);

        m_window->Timer1_Timer();
        QCOMPARE(current(), 1);
        settle();
        QVERIFY(!m_window->LabelSorry->isVisible());
        QVERIFY(m_window->Image1->isVisible());
        QCOMPARE(m_host->preview.size(), QSize(40, 30));
    }

    void clickOpensTheMenuAndHideOnlyClosesIt()
    {
        SlideWindow *window = startShow(3, {0, 1, 2}, 1);
        QTest::mouseClick(window, Qt::RightButton, {}, QPoint(300, 200));
        QTRY_VERIFY(window->MenuPopup->isVisible());
        window->MenuPopup->setActiveAction(window->MenuPopup->MenuHide);
        QTest::keyClick(window->MenuPopup, Qt::Key_Return);
        QTRY_VERIFY(!window->MenuPopup->isVisible());
        QVERIFY(window->isVisible());
        QVERIFY(!window->isPaused());
        QCOMPARE(current(), 1);

        QTest::mouseClick(window, Qt::LeftButton, {}, QPoint(300, 200)); // over the picture
        QTRY_VERIFY(window->MenuPopup->isVisible());
        window->MenuPopup->close();
    }

    void menuCaptions()
    {
        const QStringList bordered = {
            "<-            &Previous", "->            &Next", "(space)    Pause or Resume",
            "A              &Actual size", "(up arrow) &Larger size", "(dn arrow) &Smaller size",
            "Z              &Zoom (to fit)", "E              &Edit or Print", "M             &Minimise",
            "Q             &Quit to menu", "(escape)  Quit to menu", "(close/hide these options)",
            "X              E&XIT program"};
        QStringList fullScreen = bordered;
        fullScreen[2] = "(space)    Pause orResume";
        fullScreen[3] = "A             &Actual size";
        fullScreen[12] = "X             eXit the program";

        for (const auto &[kind, expected] : {std::pair{SlideWindowKind::Bordered, bordered},
                                             std::pair{SlideWindowKind::FullScreen, fullScreen}}) {
            SlideMenu menu(kind);
            QStringList captions;
            for (const QAction *action : menu.actions())
                captions << action->text();
            QCOMPARE(captions, expected);
        }
    }

    void topmostOnlyForTheBorderedWindowOnTop()
    {
        m_host->setPlayList({picturePath(0)}, {0}, 0);
        for (int display : {0, 1, 2}) {
            m_host->display = display;
            for (SlideWindowKind kind : {SlideWindowKind::Bordered, SlideWindowKind::FullScreen}) {
                const SlideWindow window(kind, *m_host);
                const bool expected = display == 2 && kind == SlideWindowKind::Bordered;
                QCOMPARE(bool(window.windowFlags() & Qt::WindowStaysOnTopHint), expected);
                QCOMPARE(bool(window.windowFlags() & Qt::FramelessWindowHint),
                         kind == SlideWindowKind::FullScreen);
            }
        }
    }

    void quitExitAndCloseRecordPlacement()
    {
        SlideWindow *window = startShow(3, {0, 1, 2}, 0);
        window->move(20, 30);
        window->MenuQuit_Click();
        QVERIFY(window->isHidden());
        QVERIFY(!window->Timer1->isEnabled());
        QCOMPARE(m_host->mainShownCount, 1);
        QCOMPARE(recordedPlacement(), QRect(300, 450, 9000, 6000));

        // The next show reuses the window; Exit quits first, then leaves the program.
        window->present();
        QVERIFY(window->Timer1->isEnabled());
        window->MenuExit_Click();
        QVERIFY(window->isHidden());
        QCOMPARE(m_host->mainShownCount, 2);
        QCOMPARE(m_host->exitCount, 1);

        // Closing returns to the main window, records, and destroys the window.
        window->present();
        window->move(40, 50);
        window->close();
        QVERIFY(m_host->mainShownCount >= 3);
        QVERIFY(m_host->main.isVisible());
        QCOMPARE(m_host->saveCount, 0);
        QCOMPARE(recordedPlacement().topLeft(), QPoint(600, 750));
        QTRY_VERIFY(m_window.isNull());
    }

    void placementFromAnotherScreenIsBroughtOnScreen()
    {
        // Stored on a 4K screen, far right and larger than this one: moved and fitted onto it.
        SlideWindow *window = startShow(2, {0, 1}, 0);
        window->applyPlacement(30000, 30000, 30000, 20000);
        const QRect area = window->screen()->availableGeometry();
        QTRY_VERIFY2(area.contains(window->frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4").arg(
            window->x()).arg(window->y()).arg(window->width()).arg(window->height())));
        QCOMPARE(window->frameGeometry().size(), area.size());
        // A placement that fits is kept as it is.
        window->applyPlacement(1500, 1500, 6000, 4500);
        QTRY_COMPARE(window->frameGeometry(), QRect(100, 100, 400, 300));
    }

    void fullScreenWindowNeverRecordsPlacement()
    {
        m_host->display = 0;
        SlideWindow *window = startShow(3, {0, 1, 2}, 0, SlideWindowKind::FullScreen);
        window->Form_Resize();
        window->MenuQuit_Click();
        window->present();
        window->close();
        QCOMPARE(recordedPlacement(), QRect(1500, 1500, 9000, 6000));
    }

    void closeWhileMinimisedSavesAndEnds()
    {
        SlideWindow *window = startShow(3, {0, 1, 2}, 0);
        window->MenuMinimise_Click();
        QVERIFY(window->isPaused());
        window->close();
        QCOMPARE(m_host->saveCount, 1);
        QCOMPARE(m_host->endCount, 1);
        QCOMPARE(m_host->mainShownCount, 0);
    }

    void resizeLaysOutAgainAndRecords()
    {
        SlideWindow *window = startShow(2, {0, 1}, 0);
        window->MenuEnlarge_Click();
        // The placement is the outer size, frame included.
        window->resize(300 - window->frameGeometry().width() + window->width(),
                       200 - window->frameGeometry().height() + window->height());
        QTRY_COMPARE(recordedPlacement().size(), QSize(4500, 3000));
        // Laid out afresh for the new size: the zoom step is gone.
        const SlideFrame frame{4500, 3000, SlideWindow::BarHeightTwips, true};
        QCOMPARE(window->Image1->pictureGeometry().width,
                 fnLayoutPicture(PictureSizing::ExpandWithoutDistorting, frame, 6000, 4500).width);

        // A window beyond 16 bits of twips is recorded at the limit.
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        window->resize(2500, 200);
        QTRY_COMPARE(recordedPlacement().width(), 32767);
    }

    void grabsLookRight()
    {
        // A real JPEG through the real loader, full screen: a portrait picture centred across.
        QTemporaryDir files;
        const QString photo = files.filePath(QStringLiteral("portrait.jpg"));
        QImage drawn(300, 400, QImage::Format_RGB32);
        drawn.fill(QColor(250, 220, 60));
        QVERIFY(drawn.save(photo, "JPEG", 90));
        QtPictureLoader realLoader;
        m_host->loader = &realLoader;
        m_host->display = 0;
        m_host->barWanted = false;
        startShowOf({photo}, {0}, 0, SlideWindowKind::FullScreen);
        QTRY_COMPARE(m_window->geometry(), m_host->main.screen()->geometry());
        m_window->fnShowPicture();
        const QImage picture = m_window->grab().toImage();
        QCOMPARE(QColor(picture.pixel(2, picture.height() / 2)), QColor(Qt::black));
        const QColor middle(picture.pixel(picture.width() / 2, picture.height() / 2));
        QVERIFY2(middle.red() > 200 && middle.blue() < 120, qPrintable(middle.name()));
        QVERIFY(m_host->preview.height() > m_host->preview.width());
        delete m_window;
        m_host->loader = &m_host->fakeLoader;
        m_host->display = 1;

        m_host->fakeLoader.addFailure(QStringLiteral("/pictures/missing.jpg"));
        startShowOf({QStringLiteral("/pictures/missing.jpg"), picturePath(0)}, {0, 1}, 0)->MenuPause_Click();
        const QImage banner = m_window->grab().toImage();
        // Red writing on black in both banners.
        for (const QLabel *label : {m_window->LabelSorry, static_cast<QLabel *>(m_window->LabelPAUSED)}) {
            int red = 0;
            const QRect area = label->geometry() & banner.rect();
            for (int y = area.top(); y <= area.bottom(); ++y) {
                for (int x = area.left(); x <= area.right(); ++x)
                    red += qRed(banner.pixel(x, y)) > 150 && qGreen(banner.pixel(x, y)) < 80 ? 1 : 0;
            }
            QVERIFY2(red > 20, qPrintable(label->objectName()));
        }
    }
};

QTEST_MAIN(tst_SlideWindow)
#include "tst_slidewindow.moc"
