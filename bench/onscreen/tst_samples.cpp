// Medians over runs that may have missed: a miss counts as slower than any time, so the median
// names the miss once half the runs missed, and a ratio needs two medians.
#include "Samples.h"

#include <QTest>

Q_DECLARE_METATYPE(std::vector<Timing>)

namespace {

Timing ms(double value)
{
    return Timing::of(value);
}

Timing missed(const char *why)
{
    return Timing::missed(why);
}

Samples samplesOf(std::initializer_list<Timing> timings)
{
    Samples samples;
    for (const Timing &timing : timings)
        samples.add(timing);
    return samples;
}

} // namespace

class tst_Samples : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void median_data()
    {
        QTest::addColumn<std::vector<Timing>>("timings");
        QTest::addColumn<QString>("median");
        QTest::newRow("none") << std::vector<Timing>{} << "-";
        QTest::newRow("odd, unsorted") << std::vector<Timing>{ms(30), ms(10), ms(20)} << "20.0";
        QTest::newRow("even: the mean of the middle two") << std::vector<Timing>{ms(40), ms(10), ms(30), ms(20)} << "25.0";
        QTest::newRow("misses sort last") << std::vector<Timing>{missed("timeout"), ms(10), missed("timeout"), ms(30), ms(20)}
                                          << "30.0";
        QTest::newRow("half missed, odd") << std::vector<Timing>{ms(10), missed("timeout"), ms(20), missed("timeout"),
                                                                 missed("timeout")}
                                          << "timeout";
        QTest::newRow("half missed, even") << std::vector<Timing>{ms(10), ms(20), missed("never"), missed("never")}
                                           << "never";
        QTest::newRow("the commonest reason") << std::vector<Timing>{missed("exited"), missed("timeout"), missed("timeout")}
                                              << "timeout";
    }

    void median()
    {
        QFETCH(std::vector<Timing>, timings);
        QFETCH(QString, median);
        Samples samples;
        for (const Timing &timing : timings)
            samples.add(timing);
        QCOMPARE(QString::fromStdString(samples.medianText()), median);
        QCOMPARE(samples.empty(), timings.empty());
    }

    void spreadCountsTheMisses()
    {
        const Samples samples = samplesOf({ms(12.26), missed("timeout"), ms(8)});
        QCOMPARE(QString::fromStdString(samples.spreadText()), QStringLiteral("min 8.0, max 12.3, 2 of 3 runs, missed: timeout"));
        QCOMPARE(QString::fromStdString(samplesOf({missed("exited")}).spreadText()),
                 QStringLiteral("0 of 1 runs, missed: exited"));
    }

    void ratioNeedsTwoMedians()
    {
        const Samples pictarra = samplesOf({ms(300), ms(310), ms(290)});
        const Samples feh = samplesOf({ms(200), ms(190), ms(210)});
        QCOMPARE(QString::fromStdString(Samples::ratioText(pictarra, feh)), QStringLiteral("1.50 x"));
        QCOMPARE(QString::fromStdString(Samples::ratioText(feh, pictarra)), QStringLiteral("0.67 x"));
        const Samples timedOut = samplesOf({missed("timeout"), missed("timeout"), ms(5)});
        QCOMPARE(QString::fromStdString(Samples::ratioText(timedOut, feh)), QStringLiteral("-"));
        QCOMPARE(QString::fromStdString(Samples::ratioText(pictarra, timedOut)), QStringLiteral("-"));
        QCOMPARE(QString::fromStdString(Samples::ratioText(pictarra, samplesOf({ms(0)}))), QStringLiteral("-"));
    }
};

QTEST_GUILESS_MAIN(tst_Samples)
#include "tst_samples.moc"
