#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QVector>

#include <algorithm>

// Helpers the picture benchmarks share.

// A photo-like picture for the benchmarks: smooth gradients, a few shapes, and sensor-like
// noise, so that it compresses and decodes as a camera's photo does.
inline QImage photoLike(QSize size, quint32 seed)
{
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int noise = int(random.bounded(48u));
            line[x] = qRgb(std::min(255, x * 200 / size.width() + noise), std::min(255, y * 180 / size.height() + noise),
                           std::min(255, 90 + ((x / 7 + y / 5) % 64) + noise));
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(QColor::fromHsv(int(random.bounded(360u)), 160, 200, 140));
        painter.drawEllipse(QPointF(random.bounded(size.width()), random.bounded(size.height())),
                            random.bounded(80, 900), random.bounded(80, 900));
    }
    return image;
}

inline double medianOf(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The peak of this process's resident memory so far (VmHWM), KB.
inline qint64 peakMemoryKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// libjpeg's reduced decodes are M/8: the smallest that still covers `wanted`.
inline int eighthsCovering(QSize stored, QSize wanted)
{
    for (int m = 1; m < 8; ++m) {
        if ((stored.width() * m + 7) / 8 >= wanted.width() && (stored.height() * m + 7) / 8 >= wanted.height())
            return m;
    }
    return 8;
}

// djpeg decoding `path` at `scale` ("3/8") to nothing; false if it failed.
inline bool runDjpeg(const QString &scale, const QString &path)
{
    QProcess djpeg;
    djpeg.start(QStringLiteral("djpeg"), {QStringLiteral("-scale"), scale, QStringLiteral("-outfile"),
                                         QStringLiteral("/dev/null"), path});
    return djpeg.waitForFinished(60000) && djpeg.exitCode() == 0;
}

// Runs this benchmark again with `arguments` and reads the "name value name value ..." it
// prints; empty if it failed.
inline QMap<QString, qint64> valuesFromChild(const QStringList &arguments)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), arguments);
    QMap<QString, qint64> values;
    if (!child.waitForFinished(300000) || child.exitCode() != 0)
        return values;
    const QList<QByteArray> words = child.readAllStandardOutput().simplified().split(' ');
    for (int i = 0; i + 1 < words.size(); i += 2)
        values.insert(QString::fromLatin1(words[i]), words[i + 1].toLongLong());
    return values;
}
