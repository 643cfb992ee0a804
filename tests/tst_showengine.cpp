// The show's rules without a window: moving over the ticked entries with wrap-around, where a
// show starts, the single-picture rule, the delay's correction, the timer, and pictures that
// are decoded off the window's thread: a move never waits, a newer picture supersedes an older
// one, and only the picture asked for last is shown, or its "Sorry" banner.
#include "FakeSlideHost.h"

#include "show/ShowEngine.h"
#include "show/ShowTimer.h"
#include "show/ShowView.h"

#include <QElapsedTimer>
#include <QtTest>

#include <condition_variable>
#include <mutex>

namespace {

// The window as the engine sees it, recording what it was told.
class RecordingView final : public ShowView
{
public:
    SlideFrame frame() const override { return windowFrame; }
    double devicePixelRatio() const override { return 1.0; }
    bool isMinimised() const override { return minimised; }
    void followPosition(int index) override { barValue = index; }
    void setPausedCaption(const QString &path) override { caption = path; }
    void setPausedBannerVisible(bool visible) override { bannerUp = visible; }
    void showPicture(const DecodedPicture &picture, const PictureGeometry &geometry) override
    {
        shown << picture.path;
        lastGeometry = geometry;
    }
    void showCannotDisplay(const QString &path) override { shown << QStringLiteral("sorry:") + path; }

    SlideFrame windowFrame{9000, 6000, 0, true};
    bool minimised = false;
    int barValue = -2;
    QString caption;
    bool bannerUp = false;
    QStringList shown;
    PictureGeometry lastGeometry;
};

// A decoder made slow on purpose: every decode waits until the test lets it go, or until it is
// stopped, as a real decoder stops once a picture is no longer wanted.
class HeldLoader final : public PictureLoader
{
public:
    DecodedPicture load(const QString &path, const std::function<QSize(QSize)> &decodeSizeFor,
                        std::stop_token stop) override
    {
        std::unique_lock lock(m_mutex);
        ++started;
        paths << path;
        m_changed.wait(lock, stop, [this] { return m_passes > 0; });
        if (stop.stop_requested()) {
            ++stopped;
            return DecodedPicture{path, false, {}, {}, -1, -1};
        }
        --m_passes;
        const QSize natural(400, 300), wanted = decodeSizeFor ? decodeSizeFor(natural) : QSize();
        const bool ok = !path.contains(QLatin1String("broken"));
        return DecodedPicture{path, ok, QImage(wanted.isValid() ? wanted : natural, QImage::Format_RGB32), natural, 1, 1};
    }
    QImage loadRegion(const QString &, const QRect &, const QSize &, std::stop_token) override { return {}; }
    bool isUnchanged(const DecodedPicture &) const override { return true; }

    void let(int count)
    {
        {
            std::lock_guard lock(m_mutex);
            m_passes += count;
        }
        m_changed.notify_all();
    }

    int started = 0;
    int stopped = 0;
    QStringList paths;

private:
    std::mutex m_mutex;
    std::condition_variable_any m_changed;
    int m_passes = 0;
};

QString pathOf(int index)
{
    return QStringLiteral("/pictures/%1.jpg").arg(index, 2, 10, QLatin1Char('0'));
}

} // namespace

class tst_ShowEngine : public QObject
{
    Q_OBJECT
    std::unique_ptr<FakeSlideHost> m_host;
    std::unique_ptr<RecordingView> m_view;
    std::unique_ptr<ShowEngine> m_engine;

    // A show over `count` entries of which `ticked` are ticked, the current entry at `current`.
    ShowEngine &show(int count, const QList<int> &ticked, int current)
    {
        QStringList paths;
        for (int i = 0; i < count; ++i) {
            paths << pathOf(i);
            m_host->fakeLoader.addPicture(paths.last(), QSize(400, 300));
        }
        m_host->setPlayList(paths, ticked, current);
        m_host->state.SinglePicture = ticked.size() == 1;
        m_engine = std::make_unique<ShowEngine>(*m_host, *m_view);
        return *m_engine;
    }

    int current() const { return m_host->list.currentIndex(); }

    // Runs the show's decodes on `loader` until the guard goes: then the engine and its decoder
    // are gone before the loader is, whatever the test did.
    auto decodingWith(PictureLoader &loader)
    {
        m_host->loader = &loader;
        return qScopeGuard([this] {
            m_engine.reset();
            m_host->loader = &m_host->fakeLoader;
            m_host->pictureDecoder();
        });
    }

private Q_SLOTS:
    void init()
    {
        m_host = std::make_unique<FakeSlideHost>();
        m_view = std::make_unique<RecordingView>();
    }

    void cleanup()
    {
        m_engine.reset();
        m_view.reset();
        m_host.reset();
    }

    void nextTickedWrapsAround_data()
    {
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("direction");
        QTest::addColumn<int>("expected");

        QTest::newRow("forward skips unticked") << QList<int>{1, 3, 8} << 3 << +1 << 8;
        QTest::newRow("forward wraps to the top") << QList<int>{1, 3, 8} << 8 << +1 << 1;
        QTest::newRow("backward wraps to the end") << QList<int>{1, 3, 8} << 1 << -1 << 8;
        QTest::newRow("only tick: itself again") << QList<int>{4} << 4 << +1 << 4;
        QTest::newRow("only tick, from elsewhere") << QList<int>{4} << 9 << -1 << 4;
        QTest::newRow("none ticked: back where it started") << QList<int>{} << 2 << +1 << 2;
        QTest::newRow("none ticked, no start") << QList<int>{} << -1 << +1 << -1;
        QTest::newRow("no start, forward: first tick") << QList<int>{5, 7} << -1 << +1 << 5;
        QTest::newRow("no start, backward: last tick") << QList<int>{5, 7} << -1 << -1 << 7;
    }

    void nextTickedWrapsAround()
    {
        QFETCH(QList<int>, ticked);
        QFETCH(int, start);
        QFETCH(int, direction);
        QFETCH(int, expected);
        m_host->setPlayList({pathOf(0), pathOf(1), pathOf(2), pathOf(3), pathOf(4), pathOf(5), pathOf(6),
                             pathOf(7), pathOf(8), pathOf(9)}, ticked, -1);
        QCOMPARE(ShowEngine::nextTickedIndex(m_host->list, start, direction), expected);
    }

    void showStartsOnATickedEntry_data()
    {
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("single");
        QTest::addColumn<int>("expected");

        QTest::newRow("current ticked") << QList<int>{2, 5} << 5 << false << 5;
        QTest::newRow("current unticked: the next tick") << QList<int>{2, 5} << 3 << false << 5;
        QTest::newRow("unticked last entry wraps") << QList<int>{2, 5} << 9 << false << 2;
        QTest::newRow("no current entry: first tick") << QList<int>{4, 6} << -1 << false << 4;
        // A picture clicked in the preview is shown alone, ticked or not.
        QTest::newRow("single picture stays unticked") << QList<int>{4} << 7 << true << 7;
        QTest::newRow("single picture, no current entry") << QList<int>{4} << -1 << true << 4;
    }

    void showStartsOnATickedEntry()
    {
        QFETCH(QList<int>, ticked);
        QFETCH(int, current);
        QFETCH(bool, single);
        QFETCH(int, expected);
        ShowEngine &engine = show(10, ticked, current);
        m_host->state.SinglePicture = single;
        engine.begin();
        QCOMPARE(this->current(), expected);
        QCOMPARE(m_view->barValue, expected);
        QCOMPARE(m_view->caption, pathOf(expected));
        QTRY_COMPARE(m_view->shown, QStringList{pathOf(expected)});
        QCOMPARE(engine.timer()->isEnabled(), !single);
    }

    void delayIsCorrected_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("corrected");
        QTest::addColumn<int>("interval");

        QTest::newRow("in range") << "7" << "7" << 7000;
        QTest::newRow("longest") << "32" << "32" << 32000;
        QTest::newRow("just over the longest") << "33" << "32" << 32000;
        QTest::newRow("zero") << "0" << "0" << 0;
        QTest::newRow("negative") << "-1" << "0" << 0;
        QTest::newRow("letters") << "abc" << "10" << 10000;
        QTest::newRow("empty") << "" << "10" << 10000;
        QTest::newRow("beyond 16 bits") << "99999" << "32" << 32000;
        QTest::newRow("beyond 16 bits, negative") << "-99999" << "0" << 0;
        QTest::newRow("half rounds to even") << "2.5" << "2.5" << 2000;
        QTest::newRow("rounds half to even") << "32.5" << "32.5" << 32000;
        QTest::newRow("rounds up past the longest") << "32.6" << "32" << 32000;
    }

    void delayIsCorrected()
    {
        QFETCH(QString, text);
        QFETCH(QString, corrected);
        QFETCH(int, interval);
        m_host->delay = text;
        ShowEngine &engine = show(3, {0, 1, 2}, 0);
        engine.begin();
        QCOMPARE(m_host->delay, corrected);
        QCOMPARE(engine.timer()->interval(), interval);
        // A delay of 0 is a running show that moves only on command.
        QVERIFY(engine.timer()->isEnabled());
        QCOMPARE(engine.timer()->isTicking(), interval > 0);
    }

    void barMovesOneStepTowardsTheThumb_data()
    {
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("thumb");
        QTest::addColumn<int>("expected");

        const QList<int> all{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        QTest::newRow("dragged towards the end") << all << 4 << 8 << 5;
        QTest::newRow("dragged towards the start") << all << 4 << 0 << 3;
        // The step back passes the thumb: the bar, read again, stands on the new entry.
        QTest::newRow("one back over unticked entries") << QList<int>{4, 6} << 6 << 5 << 4;
        QTest::newRow("one on over unticked entries") << QList<int>{4, 6} << 4 << 5 << 6;
        QTest::newRow("not moved") << all << 4 << 4 << 4;
    }

    void barMovesOneStepTowardsTheThumb()
    {
        QFETCH(QList<int>, ticked);
        QFETCH(int, from);
        QFETCH(int, thumb);
        QFETCH(int, expected);
        ShowEngine &engine = show(10, ticked, from);
        engine.begin();
        engine.barMoved(thumb);
        QCOMPARE(current(), expected);
        QCOMPARE(m_view->barValue, expected);
        QTRY_COMPARE(m_view->shown.value(m_view->shown.size() - 1), pathOf(expected));
    }

    void singlePictureNeverMoves()
    {
        ShowEngine &engine = show(5, {3}, 3);
        engine.begin();
        QTRY_VERIFY(!engine.pictureBusy());
        engine.next();
        engine.previous();
        engine.barMoved(0);
        engine.tick();
        QCOMPARE(current(), 3);
        QVERIFY(!engine.timer()->isEnabled());
        QVERIFY(!m_view->bannerUp);
    }

    void timerPolicy()
    {
        m_host->delay = QStringLiteral("5");
        ShowEngine &engine = show(4, {0, 1, 3}, 1);
        engine.begin();
        // While the picture is on its way a tick does nothing.
        QVERIFY(engine.pictureBusy());
        engine.tick();
        QCOMPARE(current(), 1);
        QTRY_VERIFY(!engine.pictureBusy());
        engine.tick();
        QCOMPARE(current(), 3);
        QVERIFY(engine.timer()->isEnabled());

        // A minimised window pauses the show at the next tick.
        QTRY_VERIFY(!engine.pictureBusy());
        m_view->minimised = true;
        engine.tick();
        QCOMPARE(current(), 3);
        QVERIFY(engine.isPaused());
        QVERIFY(m_view->bannerUp);
        // A move while paused keeps the pause; resuming starts the timer.
        m_view->minimised = false;
        engine.next();
        QVERIFY(engine.isPaused());
        engine.togglePause();
        QVERIFY(!engine.isPaused());
        QVERIFY(engine.timer()->isTicking());

        // The show ends: no timer, nothing more arrives.
        engine.next();
        engine.end();
        QVERIFY(!engine.timer()->isEnabled());
        QVERIFY(!engine.pictureBusy());
    }

    void heldKeyNeverQueuesDecodes()
    {
        HeldLoader slow;
        const auto restore = decodingWith(slow);
        ShowEngine &engine = show(40, QList<int>{}, 0);
        m_host->list.setAllTicked(true);
        m_host->list.setCurrentIndex(0);
        engine.begin();
        QTRY_COMPARE(slow.started, 1);

        // Thirty quick presses while each decode takes as long as the test wants: the position
        // and the caption follow at once, every press returns at once.
        QElapsedTimer presses;
        presses.start();
        for (int press = 0; press < 30; ++press)
            engine.next();
        QVERIFY(presses.elapsed() < 1000);
        QCOMPARE(current(), 30);
        QCOMPARE(m_view->barValue, 30);
        QCOMPARE(m_view->caption, pathOf(30));
        QVERIFY(m_view->shown.isEmpty());

        // Only the picture asked for last is decoded and shown: the first one's decode was
        // stopped, the ones between never started; then the next one is decoded ahead.
        slow.let(1);
        QTRY_COMPARE(m_view->shown, QStringList{pathOf(30)});
        QVERIFY(!engine.pictureBusy());
        QTRY_COMPARE(slow.started, 3);
        QCOMPARE(slow.paths, (QStringList{pathOf(0), pathOf(30), pathOf(31)}));
        QCOMPARE(slow.stopped, 1);

        // Quitting while a decode is held returns at once; nothing arrives after it.
        engine.next();
        engine.end();
        QTRY_COMPARE(slow.stopped, 2);
        QCOMPARE(m_view->shown.size(), 1);
    }

    void sorryOnlyForThePictureAskedForLast()
    {
        HeldLoader slow;
        const auto restore = decodingWith(slow);
        ShowEngine &engine = show(3, {0, 1, 2}, 0);
        m_host->list.replaceAll({pathOf(0), QStringLiteral("/pictures/broken.jpg"), pathOf(2)}, {true, true, true});
        m_host->list.setCurrentIndex(0);
        engine.begin();
        slow.let(1);
        QTRY_COMPARE(m_view->shown, QStringList{pathOf(0)});

        // The broken picture is passed over before its decode ends: no banner for it.
        engine.next();
        engine.next();
        slow.let(1);
        QTRY_COMPARE(m_view->shown, (QStringList{pathOf(0), pathOf(2)}));

        // Asked for last, it gets its banner, and the show goes on.
        engine.previous();
        slow.let(1);
        QTRY_COMPARE(m_view->shown.last(), QStringLiteral("sorry:/pictures/broken.jpg"));
        QCOMPARE(m_host->preview, QImage());
    }

    void firstPictureLaidOutForTheBarAsItWas()
    {
        // The bar was up when the show began; it was hidden right after. The first picture keeps
        // its place above it; any later layout does not.
        m_view->windowFrame.barHeight = 255;
        m_host->sizing = int(PictureSizing::StretchToFit);
        ShowEngine &engine = show(2, {0, 1}, 0);
        engine.begin();
        m_view->windowFrame.barHeight = 0;
        QTRY_VERIFY(!engine.pictureBusy());
        QCOMPARE(m_view->lastGeometry.height, 6000.0 - 255 - 480);
        engine.relayout();
        QCOMPARE(m_view->lastGeometry.height, 6000.0 - 480);
    }
};

QTEST_MAIN(tst_ShowEngine)
#include "tst_showengine.moc"
