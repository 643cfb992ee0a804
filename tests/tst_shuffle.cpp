// The shuffle: exactly the design's draw (round half to even, a faulty generator kept in range),
// with each entry's tick travelling with it and the current entry following the ticks.
#include "files/FileList.h"
#include "files/Shuffle.h"

#include <QRandomGenerator>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {

std::function<double()> seeded(quint32 seed)
{
    return [random = QRandomGenerator(seed)]() mutable { return random.generateDouble(); };
}

std::function<double()> constant(double value)
{
    return [value] { return value; };
}

bool isPermutation(QVector<int> order, int n)
{
    QVector<int> identity(n);
    std::iota(identity.begin(), identity.end(), 0);
    std::sort(order.begin(), order.end());
    return order == identity;
}

// The draw done the slow, obvious way: erase each drawn entry from an array.
QVector<int> drawByErasing(int n, const std::function<double()> &uniform01)
{
    QVector<int> remaining(n);
    std::iota(remaining.begin(), remaining.end(), 0);
    QVector<int> order;
    while (!remaining.isEmpty())
        order.append(remaining.takeAt(int(std::nearbyint(uniform01() * double(remaining.size() - 1)))));
    return order;
}

} // namespace

class TestShuffle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void orderIsThePlainDraw_data()
    {
        QTest::addColumn<int>("n");
        for (int n : {0, 1, 2, 7, 5001})
            QTest::addRow("%d entries", n) << n;
    }
    void orderIsThePlainDraw()
    {
        QFETCH(int, n);
        for (quint32 seed = 1; seed <= 5; ++seed) {
            const QVector<int> order = shuffledOrder(n, seeded(seed));
            QVERIFY(isPermutation(order, n));
            QCOMPARE(order, drawByErasing(n, seeded(seed)));
        }
    }

    void halvesRoundToEven()
    {
        // R = 0.5 gives the exact halves 0.5, 1.5 and 2.5 as the list shrinks.
        QCOMPARE(shuffledOrder(3, constant(0.5)), (QVector<int>{1, 0, 2}));
        QCOMPARE(shuffledOrder(4, constant(0.5)), (QVector<int>{2, 1, 0, 3}));
        QCOMPARE(shuffledOrder(6, constant(0.5)), (QVector<int>{2, 3, 4, 1, 0, 5}));
    }

    void faultyGeneratorStaysInRange()
    {
        for (double value : {1.0, 7.5, -0.25, std::numeric_limits<double>::quiet_NaN()})
            QVERIFY(isPermutation(shuffledOrder(50, constant(value)), 50));
        QCOMPARE(shuffledOrder(3, constant(1.0)), (QVector<int>{2, 1, 0}));
    }

    void ticksTravelWithEntries()
    {
        FileList list;
        QSet<QString> tickedPaths;
        for (int i = 0; i < 300; ++i) {
            // Names ending in "?" must keep both their text and their tick.
            const QString path = QStringLiteral("/pics/%1%2").arg(i).arg(i % 3 == 0 ? "?" : ".jpg");
            QVERIFY(list.append(path));
            if (i % 7 < 3) {
                list.setTicked(i, true);
                tickedPaths.insert(path);
            }
        }
        QSignalSpy reset(&list, &FileList::modelReset);
        fnRandomiseListCore(list, seeded(7));
        QCOMPARE(reset.count(), 1);
        QCOMPARE(list.count(), 300);
        QSet<QString> allPaths, tickedAfter;
        bool moved = false;
        for (int i = 0; i < list.count(); ++i) {
            allPaths.insert(list.entry(i));
            if (list.isTicked(i))
                tickedAfter.insert(list.entry(i));
            moved = moved || !list.entry(i).startsWith(QStringLiteral("/pics/%1").arg(i));
        }
        QCOMPARE(allPaths.size(), 300);
        QCOMPARE(tickedAfter, tickedPaths);
        QVERIFY(moved);
    }

    void currentEntryAfterShuffle()
    {
        FileList list;
        list.replaceAll({"/a", "/b", "/c", "/d", "/e", "/f"}, {false, true, false, true, false, false});
        list.setCurrentIndex(0);
        fnRandomiseListCore(list, seeded(3));
        int lastTicked = -1;
        for (int i = 0; i < list.count(); ++i)
            lastTicked = list.isTicked(i) ? i : lastTicked;
        QCOMPARE(list.currentIndex(), lastTicked);

        list.setAllTicked(false);
        list.setCurrentIndex(2);
        fnRandomiseListCore(list, seeded(4));
        QCOMPARE(list.currentIndex(), -1);

        // One entry, or none: nothing changes.
        list.replaceAll({"/only one?.jpg"}, {true});
        fnRandomiseListCore(list, seeded(9));
        QCOMPARE(list.entry(0), QStringLiteral("/only one?.jpg"));
        QVERIFY(list.isTicked(0));
        QCOMPARE(list.currentIndex(), 0);
        list.clear();
        fnRandomiseListCore(list, seeded(9));
        QCOMPARE(list.count(), 0);
    }
};

QTEST_GUILESS_MAIN(TestShuffle)
#include "tst_shuffle.moc"
