// Times a cold picture change of the show (from "next" to the new picture laid out) for a
// 6000 x 4000 JPEG in "Expand without distorting" on a 1920 x 1080 screen, against djpeg
// decoding the same file at the matching reduced scale (also turned by EXIF, and carrying a
// Display P3 profile, converted to sRGB), and measures the peak memory of a full-screen show
// and of zooming to the limit, each in a process of its own.
//
//   bench_pictures                  all of it, with medians and ratios
//   bench_pictures --memory-show D  (internal) show the pictures in folder D, print VmHWM
//   bench_pictures --memory-zoom D  (internal) zoom the first picture of D, print VmHWM

#include "BenchTools.h"

#include "platform/QtPictureLoader.h"
#include "show/PictureLayout.h"
#include "show/DecodeTarget.h"
#include "show/PictureDecoder.h"
#include "show/PictureView.h"

#include <QApplication>
#include <QColorSpace>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>

namespace {

constexpr int Runs = 9;
constexpr int ShowPictures = 12;
constexpr int TwipsPerPixel = 15;
const QSize Screen(1920, 1080);
const QSize Photo(6000, 4000);

QTextStream out(stdout);

QByteArray bigEndian16(int value)
{
    return QByteArray(1, char((value >> 8) & 0xff)) + char(value & 0xff);
}

// The JPEG with an EXIF orientation tag: 6 shows the stored picture turned a quarter clockwise.
QByteArray withExifOrientation(const QByteArray &jpeg, int orientation)
{
    QByteArray tiff("MM\0\x2a\0\0\0\x08", 8);
    tiff += bigEndian16(1) + bigEndian16(0x0112) + bigEndian16(3) + QByteArray("\0\0\0\x01", 4);
    tiff += bigEndian16(orientation) + QByteArray(2, '\0') + QByteArray(4, '\0');
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    return jpeg.left(2) + QByteArray("\xff\xe1", 2) + bigEndian16(int(payload.size()) + 2) + payload + jpeg.mid(2);
}

SlideFrame fullScreenFrame()
{
    SlideFrame frame;
    frame.outerWidth = Screen.width() * TwipsPerPixel;
    frame.outerHeight = Screen.height() * TwipsPerPixel;
    frame.bordered = false;
    return frame;
}

PictureGeometry layoutOf(QSize natural)
{
    return fnLayoutPicture(PictureSizing::ExpandWithoutDistorting, fullScreenFrame(),
                           natural.width() * TwipsPerPixel, natural.height() * TwipsPerPixel);
}

// The size the window draws a picture at, which is all it needs decoded.
QSize drawnSize(QSize natural)
{
    const PictureGeometry geometry = layoutOf(natural);
    return QSize(int(std::ceil(geometry.width / TwipsPerPixel)), int(std::ceil(geometry.height / TwipsPerPixel)));
}

double runDjpegMs(const QString &scale, const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    return runDjpeg(scale, path) ? double(timer.nsecsElapsed()) / 1e6 : -1;
}

struct ChangeTimes
{
    double laidOut;
    double painted;
    QSize decoded;
};

// From "next" to the picture laid out in the view, then to it painted; no prefetch helps.
ChangeTimes coldChange(PictureLoader &loader, PictureView &view, const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    const DecodedPicture picture = loader.load(path, drawnSize);
    view.setPicture(picture);
    view.setPictureGeometry(layoutOf(picture.naturalSize));
    const double laidOut = double(timer.nsecsElapsed()) / 1e6;
    view.repaint();
    return {laidOut, double(timer.nsecsElapsed()) / 1e6, picture.image.size()};
}

void reportCase(const QString &title, PictureLoader &loader, PictureView &view, const QString &path, QSize stored)
{
    const DecodedPicture probe = loader.load(path, drawnSize);
    const QSize wanted = drawnSize(probe.naturalSize);
    const bool turned = probe.naturalSize != stored;
    const int eighths = eighthsCovering(stored, turned ? wanted.transposed() : wanted);
    const QString scale = QStringLiteral("%1/8").arg(eighths);

    QVector<double> laidOut, painted, djpeg, fullThenScaled;
    QSize decoded;
    runDjpegMs(scale, path); // first reads warm the page cache for both
    for (int run = 0; run < Runs; ++run) {
        djpeg.append(runDjpegMs(scale, path));
        const ChangeTimes times = coldChange(loader, view, path);
        laidOut.append(times.laidOut);
        painted.append(times.painted);
        decoded = times.decoded;
        QElapsedTimer timer;
        timer.start();
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QImage full = reader.read().scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        fullThenScaled.append(double(timer.nsecsElapsed()) / 1e6);
    }
    const double baseline = medianOf(djpeg);
    QVector<double> startUp;
    const QString tiny = QDir(QFileInfo(path).path()).filePath(QStringLiteral("tiny.jpeg"));
    QImage(16, 16, QImage::Format_RGB32).save(tiny, "JPEG");
    for (int run = 0; run < Runs; ++run)
        startUp.append(runDjpegMs(QStringLiteral("1/8"), tiny));
    auto line = [](const QString &what, double ms, const QString &tail = QString()) {
        out << QStringLiteral("  %1 %2 ms").arg(what, -46).arg(ms, 8, 'f', 1) << tail << '\n';
    };
    auto ratio = [baseline](double ms) { return QStringLiteral("   %1 x djpeg").arg(ms / baseline, 0, 'f', 2); };
    out << title << '\n';
    line(QStringLiteral("baseline: djpeg -scale %1").arg(scale), baseline,
         QStringLiteral("   (of which starting djpeg: %1 ms)").arg(medianOf(startUp), 0, 'f', 1));
    line(QStringLiteral("next -> laid out (decoded %1 x %2)").arg(decoded.width()).arg(decoded.height()),
         medianOf(laidOut), ratio(medianOf(laidOut)) + QStringLiteral("  (target <= 1.5)"));
    line(QStringLiteral("next -> painted"), medianOf(painted), ratio(medianOf(painted)));
    line(QStringLiteral("for comparison: full decode, then scaled"), medianOf(fullThenScaled),
         ratio(medianOf(fullThenScaled)));
    out.flush();
}

// Runs until `done` holds, or gives up after `limitMs`, serving events meanwhile.
bool waitFor(const std::function<bool()> &done, int limitMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

QStringList picturesIn(const QString &folder)
{
    QStringList paths;
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
        paths << QDir(folder).filePath(name);
    return paths;
}

// What a full-screen show window holds: the loader, the decoder and the picture, shown.
struct ShowParts
{
    ShowParts()
    {
        view.resize(Screen);
        view.show();
        QObject::connect(&decoder, &PictureDecoder::decoded,
                         [this](quint64 ticket, const DecodedPicture &picture, const QImage &) {
                             if (ticket == wanted)
                                 arrived = picture;
                         });
    }

    // Asks for `path` and serves events until it has been decoded.
    DecodedPicture decode(const QString &path)
    {
        arrived.reset();
        wanted = decoder.want(path, target);
        waitFor([this] { return arrived.has_value(); });
        return arrived.value_or(DecodedPicture());
    }

    QtPictureLoader loader;
    PictureDecoder decoder{loader};
    PictureView view{loader};
    const DecodeTarget target = DecodeTarget::slide(PictureSizing::ExpandWithoutDistorting, fullScreenFrame(), 1.0);
    quint64 wanted = 0;
    std::optional<DecodedPicture> arrived;
};

// A full-screen show as the window runs it: the picture decoded ahead, laid out and painted,
// and the next one decoded ahead.
int measureShow(const QString &folder)
{
    const QStringList paths = picturesIn(folder);
    ShowParts show;
    PictureView &view = show.view;
    QCoreApplication::processEvents();
    const qint64 atStart = peakMemoryKb();
    for (int i = 0; i < ShowPictures; ++i) {
        const DecodedPicture picture = show.decode(paths[i % paths.size()]);
        view.setPicture(picture);
        view.setPictureGeometry(layoutOf(picture.naturalSize));
        view.repaint();
        show.decoder.decodeAhead(paths[(i + 1) % paths.size()], show.target);
        QCoreApplication::processEvents();
    }
    out << "start " << atStart << " peak " << peakMemoryKb() << '\n';
    return 0;
}

// The first picture shown full screen, its successor decoded ahead; then Larger to the limit,
// each step painted and sharpened where the reduced decode is not enough.
int measureZoom(const QString &folder)
{
    const QStringList paths = picturesIn(folder);
    ShowParts show;
    PictureView &view = show.view;
    const DecodedPicture picture = show.decode(paths[0]);
    PictureGeometry geometry = layoutOf(picture.naturalSize);
    view.setPicture(picture);
    view.setPictureGeometry(geometry);
    view.repaint();
    show.decoder.decodeAhead(paths[1 % paths.size()], show.target);
    waitFor([&] { return show.decoder.isKept(paths[1 % paths.size()], show.target); });

    waitFor([&] { return !view.isSharpening(); });

    const qint64 before = peakMemoryKb();
    int steps = 0, sharpened = 0;
    QObject::connect(&view, &PictureView::sharpened, [&sharpened] { ++sharpened; });
    while (zoomLarger(geometry)) {
        ++steps;
        view.setPictureGeometry(geometry);
        view.repaint();
        waitFor([&] { return !view.isSharpening(); });
        view.repaint();
    }
    out << "steps " << steps << " sharpened " << sharpened << " before " << before << " peak " << peakMemoryKb() << '\n';
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--memory-show"))
        return measureShow(arguments[2]);
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--memory-zoom"))
        return measureZoom(arguments[2]);

    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("photo-0.jpg"));
    QImage original = photoLike(Photo, 20240611);
    if (!dir.isValid() || !original.save(photo, "JPEG", 90)) {
        out << "cannot write the test picture\n";
        return 1;
    }
    QFile file(photo);
    file.open(QIODevice::ReadOnly);
    const QByteArray jpeg = file.readAll();
    for (int i = 1; i < 3; ++i)
        QFile::copy(photo, dir.filePath(QStringLiteral("photo-%1.jpg").arg(i)));
    QTemporaryDir turnedDir;
    const QString turned = turnedDir.filePath(QStringLiteral("turned.jpg"));
    QFile turnedFile(turned);
    turnedFile.open(QIODevice::WriteOnly);
    turnedFile.write(withExifOrientation(jpeg, 6));
    turnedFile.close();
    QTemporaryDir taggedDir;
    const QString tagged = taggedDir.filePath(QStringLiteral("display-p3.jpg"));
    original.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
    original.save(tagged, "JPEG", 90);
    original = QImage();

    out << QStringLiteral("Picture benchmarks: medians of %1 runs; %2 x %3 JPEG, quality 90, %4 MB; "
                          "\"Expand without distorting\" on a %5 x %6 screen\n")
               .arg(Runs).arg(Photo.width()).arg(Photo.height()).arg(double(jpeg.size()) / 1e6, 0, 'f', 1)
               .arg(Screen.width()).arg(Screen.height());
    {
        QtPictureLoader loader;
        PictureView view(loader);
        view.resize(Screen);
        view.show();
        QCoreApplication::processEvents();
        reportCase(QStringLiteral("Cold change, landscape:"), loader, view, photo, Photo);
        reportCase(QStringLiteral("Cold change, EXIF orientation 6 (shown upright, 4000 x 6000):"), loader, view, turned,
                   Photo);
        reportCase(QStringLiteral("Cold change, Display P3 profile (converted to sRGB):"), loader, view, tagged, Photo);
    }

    out << "Memory, each in a process of its own (VmHWM):\n";
    const QMap<QString, qint64> show = valuesFromChild({QStringLiteral("--memory-show"), dir.path()});
    out << QStringLiteral("  full-screen show of %1 pictures: peak %2 MB (%3 MB before the first)   target < 250 MB\n")
               .arg(ShowPictures).arg(show.value(QStringLiteral("peak")) / 1024.0, 0, 'f', 1)
               .arg(show.value(QStringLiteral("start")) / 1024.0, 0, 'f', 1);
    const QMap<QString, qint64> zoom = valuesFromChild({QStringLiteral("--memory-zoom"), dir.path()});
    out << QStringLiteral("  zoom to the limit (%1 steps, %2 sharpened): peak grew by %3 MB (from %4 MB)   target < 20 MB\n")
               .arg(zoom.value(QStringLiteral("steps"))).arg(zoom.value(QStringLiteral("sharpened")))
               .arg((zoom.value(QStringLiteral("peak")) - zoom.value(QStringLiteral("before"))) / 1024.0, 0, 'f', 1)
               .arg(zoom.value(QStringLiteral("before")) / 1024.0, 0, 'f', 1);
    return 0;
}
