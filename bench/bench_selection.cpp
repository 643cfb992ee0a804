// Times the bulk selection operations and the shuffle on a full file list (32,767 entries)
// and prints the median of several runs of each.

#include "files/FileList.h"
#include "files/FileSelection.h"
#include "files/Shuffle.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

constexpr int Runs = 9;

QVector<QString> fullListPaths()
{
    static const char *const extensions[] = {"jpg", "JPG", "png", "gif", "txt", "Bmp"};
    QVector<QString> paths;
    paths.reserve(FileList::MaxEntries);
    for (int i = 0; i < FileList::MaxEntries; ++i) {
        paths.append(QStringLiteral("/home/user/Pictures/%1/trip-%2 holiday.%3")
                         .arg(i / 500)
                         .arg(i % 100, 2, 10, QLatin1Char('0'))
                         .arg(QLatin1String(extensions[i % 6])));
    }
    return paths;
}

QVector<bool> everyOtherTicked(int n)
{
    QVector<bool> ticks(n);
    for (int i = 0; i < n; ++i)
        ticks[i] = i % 2 == 0;
    return ticks;
}

// Runs prepare (untimed) then operation (timed) Runs times; returns the median in ms.
double medianMs(const std::function<void()> &prepare, const std::function<void()> &operation)
{
    QVector<double> times;
    for (int run = 0; run < Runs; ++run) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        operation();
        times.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[Runs / 2];
}

} // namespace

int main()
{
    QTextStream out(stdout);
    const QVector<QString> paths = fullListPaths();
    const QVector<bool> halfTicked = everyOtherTicked(int(paths.size()));
    FileList list;
    auto refill = [&] {
        list.replaceAll(paths, halfTicked);
        list.setCurrentIndex(100);
    };
    QRandomGenerator random(20240611);
    auto uniform01 = [&random] { return random.generateDouble(); };

    out << "Median of " << Runs << " runs on " << paths.size() << " entries:\n";
    auto report = [&out](const char *name, double ms) {
        out << QStringLiteral("  %1 %2 ms\n").arg(QLatin1String(name), -34).arg(ms, 8, 'f', 3);
    };
    report("Select All", medianMs(refill, [&] { FileSelection::selectAll(list); }));
    report("Select None", medianMs(refill, [&] { FileSelection::selectNone(list); }));
    report("Select Pattern *.jpg", medianMs(refill, [&] { FileSelection::selectPattern(list, QStringLiteral("*.jpg")); }));
    report("Select Pattern *-[0-9]#*.?[!x]?",
           medianMs(refill, [&] { FileSelection::selectPattern(list, QStringLiteral("*-[0-9]#*.?[!x]?")); }));
    report("Trim List (half ticked)", medianMs(refill, [&] { FileSelection::trimList(list); }));
    report("Shuffle", medianMs(refill, [&] { fnRandomiseListCore(list, uniform01); }));
    return 0;
}
