// Times a cold picture change of the show (from "next" to the new picture laid out, nothing
// prefetched) for the phone and camera formats, fitted to a 1920 x 1080 screen in "Expand
// without distorting", each against a command-line decoder of the same picture in the same run:
// - a 12-megapixel HEIC against heif-convert of the same file (to raw YUV, the least it writes);
// - a 12-megapixel DNG with an embedded full-size preview against djpeg at the matching scale
//   on that preview, extracted to a file beforehand;
// - for comparison, the same DNG without its preview (a half-size decode of the sensor data).

#include "DngWriter.h"
#include "platform/QtPictureLoader.h"
#include "show/PictureLayout.h"
#include "show/PictureView.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

constexpr int Runs = 7;
constexpr int TwipsPerPixel = 15;
const QSize Screen(1920, 1080);
const QSize Photo(4000, 3000);

QTextStream out(stdout);

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Gradients, soft shapes and grain: about what a camera's photo costs an encoder.
QImage photo(quint32 seed)
{
    QImage image(Photo, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = int(random.bounded(40u));
            line[x] = qRgb(std::min(255, 30 + x * 190 / image.width() + grain), std::min(255, 40 + y * 170 / image.height() + grain),
                           std::min(255, 80 + (x + y) % 97 + grain));
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 30; ++i) {
        painter.setBrush(QColor::fromHsv(int(random.bounded(360u)), 150, 210, 150));
        painter.drawEllipse(QPointF(random.bounded(image.width()), random.bounded(image.height())), random.bounded(60, 700),
                            random.bounded(60, 700));
    }
    return image;
}

PictureGeometry fitted(QSize natural)
{
    SlideFrame frame;
    frame.outerWidth = Screen.width() * TwipsPerPixel;
    frame.outerHeight = Screen.height() * TwipsPerPixel;
    frame.bordered = false;
    return fnLayoutPicture(PictureSizing::ExpandWithoutDistorting, frame, natural.width() * TwipsPerPixel,
                           natural.height() * TwipsPerPixel);
}

QSize drawnSize(QSize natural)
{
    const PictureGeometry geometry = fitted(natural);
    return QSize(int(std::ceil(geometry.width / TwipsPerPixel)), int(std::ceil(geometry.height / TwipsPerPixel)));
}

double runMs(const QString &program, const QStringList &arguments)
{
    QProcess process;
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(900000) || process.exitCode() != 0) {
        out << program << " failed: " << process.readAllStandardError() << '\n';
        return -1;
    }
    return double(timer.nsecsElapsed()) / 1e6;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// From "next" to the picture decoded and laid out in the view.
double coldChangeMs(QtPictureLoader &loader, PictureView &view, const QString &path, QSize *decoded)
{
    QElapsedTimer timer;
    timer.start();
    const DecodedPicture picture = loader.load(path, drawnSize);
    view.setPicture(picture);
    view.setPictureGeometry(fitted(picture.naturalSize));
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    *decoded = picture.ok ? picture.image.size() : QSize();
    return ms;
}

void report(const QString &title, QtPictureLoader &loader, PictureView &view, const QString &path,
            const QString &baselineName, const std::function<double()> &baseline)
{
    QVector<double> ours, theirs;
    QSize decoded;
    baseline(); // the first reads warm the page cache for both
    coldChangeMs(loader, view, path, &decoded);
    for (int run = 0; run < Runs; ++run) {
        theirs.append(baseline());
        ours.append(coldChangeMs(loader, view, path, &decoded));
    }
    const double base = median(theirs);
    out << title << '\n'
        << QStringLiteral("  %1 %2 ms\n").arg(QStringLiteral("baseline: ") + baselineName, -52).arg(base, 8, 'f', 1)
        << QStringLiteral("  %1 %2 ms   %3 x baseline\n")
               .arg(QStringLiteral("next -> laid out (decoded %1 x %2)").arg(decoded.width()).arg(decoded.height()), -52)
               .arg(median(ours), 8, 'f', 1)
               .arg(median(ours) / base, 0, 'f', 2);
    out.flush();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QImage picture = photo(20241209);
    const QString png = dir.filePath(QStringLiteral("photo.png"));
    const QString heic = dir.filePath(QStringLiteral("photo.heic"));
    if (!picture.save(png) || runMs(QStringLiteral("heif-enc"), {"-q", "80", "-p", "preset=fast", png, "-o", heic}) < 0)
        return 1;

    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    writer.write(picture);
    DngPicture dng;
    dng.picture = photo(7);
    const QString bare = dir.filePath(QStringLiteral("bare.dng"));
    const QString withPreview = dir.filePath(QStringLiteral("preview.dng"));
    const QString preview = dir.filePath(QStringLiteral("preview.jpg"));
    if (!writeFile(bare, writeDng(dng)))
        return 1;
    dng.previewJpeg = jpeg;
    if (!writeFile(withPreview, writeDng(dng)) || !writeFile(preview, jpeg))
        return 1;

    // libjpeg reduces by eighths; the smallest that still covers the drawn size is what Qt uses.
    const QSize wanted = drawnSize(Photo);
    int eighths = 1;
    while (eighths < 8 && (Photo.width() * eighths + 7) / 8 < wanted.width())
        ++eighths;

    out << QStringLiteral("Phone and camera formats: medians of %1 runs; %2 x %3 pictures, \"Expand without "
                          "distorting\" on a %4 x %5 screen; HEIC %6 MB, DNG %7 MB (preview %8 MB)\n")
               .arg(Runs).arg(Photo.width()).arg(Photo.height()).arg(Screen.width()).arg(Screen.height())
               .arg(QFileInfo(heic).size() / 1e6, 0, 'f', 1).arg(QFileInfo(withPreview).size() / 1e6, 0, 'f', 1)
               .arg(jpeg.size() / 1e6, 0, 'f', 1);
    QtPictureLoader loader;
    PictureView view(loader);
    view.resize(Screen);
    view.show();
    QCoreApplication::processEvents();
    const QString yuv = dir.filePath(QStringLiteral("decoded.y4m"));
    report(QStringLiteral("Cold change, 12-megapixel HEIC:"), loader, view, heic, QStringLiteral("heif-convert to YUV"),
           [&] { return runMs(QStringLiteral("heif-convert"), {heic, yuv}); });
    const QString scale = QStringLiteral("%1/8").arg(eighths);
    auto djpeg = [&] {
        return runMs(QStringLiteral("djpeg"), {"-scale", scale, "-outfile", "/dev/null", preview});
    };
    report(QStringLiteral("Cold change, 12-megapixel DNG with a full-size preview:"), loader, view, withPreview,
           QStringLiteral("djpeg -scale %1 of the preview").arg(scale), djpeg);
    report(QStringLiteral("For comparison, the DNG without a preview (half-size decode):"), loader, view, bare,
           QStringLiteral("djpeg -scale %1 of the preview").arg(scale), djpeg);
    return 0;
}
