// The show timer: an interval of 0 is enabled but never fires; otherwise it ticks while enabled.
#include "show/ShowTimer.h"

#include <QSignalSpy>
#include <QTest>

class tst_ShowTimer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void zeroIntervalIsEnabledButNeverFires()
    {
        ShowTimer timer;
        QSignalSpy ticks(&timer, &ShowTimer::timeout);
        timer.setEnabled(true);
        timer.setInterval(1000);
        QVERIFY(timer.isTicking());
        timer.setInterval(-5); // counts as 0
        QCOMPARE(timer.interval(), 0);
        QVERIFY(timer.isEnabled());
        QVERIFY(!timer.isTicking());
        timer.setEnabled(false);
        timer.setEnabled(true); // enabled afresh at 0
        QVERIFY(!timer.isTicking());
        // By the time a short real timer fired, a QTimer at 0 ms would have fired many times.
        bool yardstick = false;
        QTimer::singleShot(50, [&yardstick] { yardstick = true; });
        QTRY_VERIFY(yardstick);
        QCOMPARE(ticks.count(), 0);
    }

    void ticksOnlyWhileEnabled()
    {
        ShowTimer timer;
        QSignalSpy ticks(&timer, &ShowTimer::timeout);
        timer.setInterval(10);
        QVERIFY(!timer.isTicking());
        timer.setEnabled(true);
        QTRY_VERIFY(ticks.count() >= 2);
        timer.setEnabled(false);
        QVERIFY(!timer.isTicking());
        timer.setInterval(1000);
        QVERIFY(!timer.isTicking());
    }
};

QTEST_GUILESS_MAIN(tst_ShowTimer)
#include "tst_showtimer.moc"
