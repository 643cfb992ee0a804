// Times the decode of a 6000 x 4000 camera-like JPEG fitted to a 1920 x 1080 and a 3840 x 2160
// screen: the picture loader against djpeg at the matching reduced scale, and against the way
// the loader used Qt's JPEG reader before (reduced by halves, then scaled). Then the files the
// decoding budget refuses: how long the refusal takes, and the peak memory (VmHWM) of a
// process that loads one, each in a process of its own.
//
//   bench_jpeg                       all of it, with medians and ratios
//   bench_jpeg --peak FILE former    (internal) load FILE fitted the former way, print VmHWM
//   bench_jpeg --peak FILE loader    (internal) load FILE fitted, then a zoomed part, print VmHWM
//   bench_jpeg --once FILE W H MODE  (internal) time one load, the first of the process

#include "JpegSamples.h"
#include "BenchTools.h"

#include "platform/JpegDecoder.h"
#include "platform/QtPictureLoader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>

#include <algorithm>
#include <functional>

namespace {

constexpr int Runs = 9;
const QSize Photo(6000, 4000);

QTextStream out(stdout);

// Processor time of this process and of its finished children, ms: on a machine shared with
// other work, wall time measures the neighbours as much as the code.
double processorMs()
{
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage {};
        getrusage(who, &usage);
        for (const timeval &time : {usage.ru_utime, usage.ru_stime})
            total += double(time.tv_sec) * 1e3 + double(time.tv_usec) / 1e3;
    }
    return total;
}

struct Cost
{
    double wall = 0; // ms, median
    double cpu = 0;  // ms of processor time, median
};

Cost median(const std::function<void()> &work)
{
    QVector<double> walls, cpus;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer timer;
        const double cpuBefore = processorMs();
        timer.start();
        work();
        walls.append(double(timer.nsecsElapsed()) / 1e6);
        cpus.append(processorMs() - cpuBefore);
    }
    return {medianOf(walls), medianOf(cpus)};
}

// The picture loader's JPEG path as it was: Qt's reader, asked for the size shown.
QImage formerDecode(const QString &path, QSize wanted)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (wanted.isValid())
        reader.setScaledSize(wanted);
    return reader.read();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void line(const QString &what, Cost cost, const QString &tail = QString())
{
    out << QStringLiteral("  %1 %2 ms %3 ms").arg(what, -48).arg(cost.wall, 7, 'f', 1).arg(cost.cpu, 7, 'f', 1) << tail << '\n';
    out.flush();
}

void reportFit(const QString &path, QSize screen)
{
    const QSize wanted = Photo.scaled(screen, Qt::KeepAspectRatio);
    const int eighths = eighthsCovering(Photo, wanted);
    out << QStringLiteral("Fitted to %1 x %2 (shown %3 x %4; decoded at %5/8):\n")
               .arg(screen.width()).arg(screen.height()).arg(wanted.width()).arg(wanted.height()).arg(eighths);
    const auto fixed = [wanted](QSize) { return wanted; };
    QtPictureLoader loader;
    loader.load(path, fixed); // the page cache and the library warm for all
    QMap<int, Cost> djpeg;
    for (const int m : {3, eighths, 6})
        djpeg.insert(m, median([&] { runDjpeg(QStringLiteral("%1/8").arg(m), path); }));
    const Cost baseline = djpeg.value(eighths);
    const auto ratio = [baseline, eighths](Cost cost) {
        return QStringLiteral("   %1 / %2 x djpeg %3/8").arg(cost.wall / baseline.wall, 0, 'f', 2).arg(cost.cpu / baseline.cpu, 0, 'f', 2).arg(eighths);
    };
    out << QStringLiteral("  %1    wall  processor   ratios: wall / processor\n").arg(QString(), -52);
    for (auto it = djpeg.cbegin(); it != djpeg.cend(); ++it)
        line(QStringLiteral("djpeg -scale %1/8 (a process of its own)").arg(it.key()), it.value());
    const Cost former = median([&] { formerDecode(path, wanted); });
    line(QStringLiteral("before: Qt's reader, by halves, then scaled"), former, ratio(former));
    const Cost decodeOnly = median([&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        JpegDecoder decoder(&file);
        decoder.readHeader();
        decoder.read(QSize((Photo.width() * eighths + 7) / 8, (Photo.height() * eighths + 7) / 8));
    });
    line(QStringLiteral("now: decode at %1/8 alone").arg(eighths), decodeOnly, ratio(decodeOnly));
    const Cost now = median([&] { loader.load(path, fixed); });
    line(QStringLiteral("now: picture loader, decoded and scaled to fit"), now,
         ratio(now) + QStringLiteral("   %1 / %2 x before").arg(now.wall / former.wall, 0, 'f', 2).arg(now.cpu / former.cpu, 0, 'f', 2));

    // The first picture of a run: none of the memory it takes has been touched before.
    const auto firstLoad = [&](const QString &mode) {
        QVector<double> walls, cpus;
        for (int run = 0; run < Runs; ++run) {
            const QMap<QString, qint64> values = valuesFromChild({QStringLiteral("--once"), path, QString::number(wanted.width()),
                                                                  QString::number(wanted.height()), mode});
            walls.append(values.value(QStringLiteral("wall")) / 1000.0);
            cpus.append(values.value(QStringLiteral("cpu")) / 1000.0);
        }
        return Cost{medianOf(walls), medianOf(cpus)};
    };
    const Cost formerFirst = firstLoad(QStringLiteral("former")), nowFirst = firstLoad(QStringLiteral("loader"));
    line(QStringLiteral("before: the same, first in a fresh process"), formerFirst, ratio(formerFirst));
    line(QStringLiteral("now: the same, first in a fresh process"), nowFirst,
         ratio(nowFirst) + QStringLiteral("   %1 / %2 x before").arg(nowFirst.wall / formerFirst.wall, 0, 'f', 2).arg(nowFirst.cpu / formerFirst.cpu, 0, 'f', 2));
}

// One load of `path` at `wanted`, the first of this process.
int measureOnce(const QString &path, QSize wanted, const QString &mode)
{
    QtPictureLoader loader;
    QElapsedTimer timer;
    const double cpuBefore = processorMs();
    timer.start();
    const bool ok = mode == QLatin1String("former") ? !formerDecode(path, wanted).isNull()
                                                     : loader.load(path, [wanted](QSize) { return wanted; }).ok;
    out << "ok " << int(ok) << " wall " << timer.nsecsElapsed() / 1000 << " cpu " << qint64((processorMs() - cpuBefore) * 1000) << '\n';
    return 0;
}

int measurePeak(const QString &path, const QString &mode)
{
    const QSize screen(1920, 1080);
    const qint64 atStart = peakMemoryKb();
    QElapsedTimer timer;
    timer.start();
    bool ok;
    if (mode == QLatin1String("former")) {
        ok = !formerDecode(path, QImageReader(path).size().scaled(screen, Qt::KeepAspectRatio)).isNull();
    } else {
        QtPictureLoader loader;
        const DecodedPicture picture = loader.load(path, [screen](QSize natural) { return natural.scaled(screen, Qt::KeepAspectRatio); });
        ok = picture.ok;
        // Zoomed in: the middle of the picture at its full size.
        const QSize natural = picture.naturalSize.isValid() ? picture.naturalSize : QSize(12000, 9990);
        ok = !loader.loadRegion(path, QRect(QPoint(natural.width() / 2, natural.height() / 2), screen), screen).isNull() || ok;
    }
    out << "ok " << int(ok) << " ms " << timer.elapsed() << " start " << atStart << " peak " << peakMemoryKb() << '\n';
    return 0;
}

void reportBomb(const QString &title, const QString &path, bool withFormer)
{
    QtPictureLoader loader;
    const auto fit = [](QSize natural) { return natural.scaled(1920, 1080, Qt::KeepAspectRatio); };
    const Cost refused = median([&] { loader.load(path, fit); });
    out << title << '\n';
    line(QStringLiteral("now: refused by the picture loader after"), refused);
    for (const QString &mode : withFormer ? QStringList{QStringLiteral("former"), QStringLiteral("loader")}
                                          : QStringList{QStringLiteral("loader")}) {
        const QMap<QString, qint64> peak = valuesFromChild({QStringLiteral("--peak"), path, mode});
        out << QStringLiteral("  %1 process: %2 after %3 ms, peak %4 MB (%5 MB at start)\n")
                   .arg(mode == QLatin1String("former") ? QStringLiteral("before: Qt's reader,") : QStringLiteral("now: load and a zoomed part,"), -36)
                   .arg(peak.value(QStringLiteral("ok")) ? QStringLiteral("shown") : QStringLiteral("refused"))
                   .arg(peak.value(QStringLiteral("ms")))
                   .arg(peak.value(QStringLiteral("peak")) / 1024.0, 0, 'f', 1)
                   .arg(peak.value(QStringLiteral("start")) / 1024.0, 0, 'f', 1);
        out.flush();
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 4 && arguments[1] == QLatin1String("--peak"))
        return measurePeak(arguments[2], arguments[3]);
    if (arguments.size() == 6 && arguments[1] == QLatin1String("--once"))
        return measureOnce(arguments[2], QSize(arguments[3].toInt(), arguments[4].toInt()), arguments[5]);

    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    if (!dir.isValid() || !photoLike(Photo, 20240611).save(photo, "JPEG", 90)) {
        out << "cannot write the test picture\n";
        return 1;
    }
    out << QStringLiteral("JPEG decode: medians of %1 runs; %2 x %3 photo-like JPEG, quality 90, 4:2:0, %4 MB\n")
               .arg(Runs).arg(Photo.width()).arg(Photo.height()).arg(QFileInfo(photo).size() / 1e6, 0, 'f', 1);
    reportFit(photo, QSize(1920, 1080));
    reportFit(photo, QSize(3840, 2160));

    const QString scans = dir.filePath(QStringLiteral("scans.jpg"));
    const QString wide = dir.filePath(QStringLiteral("wide.jpg"));
    if (!writeFile(scans, JpegSamples::progressiveScans(QSize(8000, 8000), 1, 3000))
        || !writeFile(wide, JpegSamples::progressiveScans(QSize(12000, 9990), 3, 10))) {
        out << "cannot write the bombs\n";
        return 1;
    }
    // Decoding the scan bomb the former way takes seconds a run; its figure is in the notes.
    reportBomb(QStringLiteral("Progressive 8000 x 8000 grey JPEG of 3,000 scans (%1 KB):").arg(QFileInfo(scans).size() / 1024),
               scans, false);
    reportBomb(QStringLiteral("Progressive 12000 x 9990 4:4:4 JPEG (%1 KB):").arg(QFileInfo(wide).size() / 1024), wide, true);
    return 0;
}
