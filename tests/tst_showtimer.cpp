#include "show/ShowTimer.h"

#include <QSignalSpy>
#include <QTest>

class tst_ShowTimer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void zeroIntervalIsEnabledButNeverFires();
    void enabledTimerFiresAndDisablingStopsIt();
    void changingTheIntervalKeepsTheEnabledState();
};

void tst_ShowTimer::zeroIntervalIsEnabledButNeverFires()
{
    ShowTimer timer;
    timer.setInterval(0);
    timer.setEnabled(true);
    QVERIFY(timer.isEnabled());
    QVERIFY(!timer.isTicking());
    // A short real timer as the yardstick: by the time it fired, a QTimer at 0 ms would have
    // fired many times.
    QSignalSpy ticks(&timer, &ShowTimer::timeout);
    bool yardstick = false;
    QTimer::singleShot(50, [&yardstick] { yardstick = true; });
    QTRY_VERIFY(yardstick);
    QCOMPARE(ticks.count(), 0);
}

void tst_ShowTimer::enabledTimerFiresAndDisablingStopsIt()
{
    ShowTimer timer;
    QSignalSpy ticks(&timer, &ShowTimer::timeout);
    timer.setInterval(10);
    QVERIFY(!timer.isTicking());
    timer.setEnabled(true);
    QTRY_VERIFY(ticks.count() >= 2);
    timer.setEnabled(false);
    QVERIFY(!timer.isTicking());
}

void tst_ShowTimer::changingTheIntervalKeepsTheEnabledState()
{
    ShowTimer timer;
    timer.setEnabled(true);
    timer.setInterval(1000);
    QVERIFY(timer.isTicking());
    timer.setInterval(-5);
    QCOMPARE(timer.interval(), 0);
    QVERIFY(timer.isEnabled());
    QVERIFY(!timer.isTicking());
    timer.setEnabled(false);
    timer.setInterval(1000);
    QVERIFY(!timer.isTicking());
}

QTEST_GUILESS_MAIN(tst_ShowTimer)
#include "tst_showtimer.moc"
