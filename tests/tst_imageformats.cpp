// The phone and camera formats, through the picture loader and Qt's image reader: HEIC, AVIF and
// JPEG XL made from the project's samples with Debian's encoders, DNG files written here. Each is
// recognised by its content and read at its natural and at a reduced size, upright as the file
// says, with the colour profile it carries; damaged and hostile files fail fast and cleanly, and a
// device whose reads fail ends the decode without being asked again.
#include "DngWriter.h"
#include "platform/QtPictureLoader.h"

#include <QBuffer>
#include <QColorSpace>
#include <QElapsedTimer>
#include <QImageReader>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonObject>
#include <QMimeDatabase>
#include <QPainter>
#include <QPluginLoader>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

namespace {

// Four flat quadrants: red, green / blue, white. Shows any turn or mirror.
QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, QColor(220, 30, 30));
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, QColor(30, 200, 30));
    painter.fillRect(0, height / 2, width / 2, height - height / 2, QColor(30, 30, 220));
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, QColor(240, 240, 240));
    return image;
}

QImage turned(const QImage &image, int degreesClockwise)
{
    return image.transformed(QTransform().rotate(degreesClockwise));
}

// The mean difference of two pictures per channel, compared at a small common size.
double difference(const QImage &a, const QImage &b)
{
    const QSize size(24, 24);
    const QImage x = a.convertToFormat(QImage::Format_RGB32).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage y = b.convertToFormat(QImage::Format_RGB32).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sum = 0;
    for (int j = 0; j < size.height(); ++j) {
        for (int i = 0; i < size.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            sum += qAbs(qRed(p) - qRed(q)) + qAbs(qGreen(p) - qGreen(q)) + qAbs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * size.width() * size.height());
}

QByteArray jpegOf(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "jpeg").write(image);
    return bytes;
}

// --- ISO media boxes, to give a HEIF file a turn its encoder cannot write.

struct Box
{
    qsizetype at = -1;
    quint32 size = 0;
};

Box child(const QByteArray &bytes, qsizetype from, qsizetype to, const char *type)
{
    while (from + 8 <= to) {
        const quint32 size = qFromBigEndian<quint32>(bytes.constData() + from);
        if (size < 8 || from + size > to)
            break;
        if (bytes.mid(from + 4, 4) == type)
            return {from, size};
        from += size;
    }
    qFatal("no %s box", type);
}

quint64 bigEndianAt(const QByteArray &bytes, qsizetype at, int count)
{
    quint64 value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | quint8(bytes[at + i]);
    return value;
}

void putBigEndian(QByteArray &bytes, qsizetype at, int count, quint64 value)
{
    for (int i = count - 1; i >= 0; --i, value >>= 8)
        bytes[at + i] = char(value & 0xff);
}

// Adds an "irot" property (quarter turns anticlockwise) to the primary item: a 9-byte box in
// the property container, an essential association, and every data offset moved to match.
QByteArray withRotation(QByteArray bytes, int quarterTurns)
{
    const Box meta = child(bytes, 0, bytes.size(), "meta");
    const qsizetype metaEnd = meta.at + meta.size;
    const Box iloc = child(bytes, meta.at + 12, metaEnd, "iloc");
    const Box iprp = child(bytes, meta.at + 12, metaEnd, "iprp");
    const Box pitm = child(bytes, meta.at + 12, metaEnd, "pitm");
    const Box ipco = child(bytes, iprp.at + 8, iprp.at + iprp.size, "ipco");
    const Box ipma = child(bytes, iprp.at + 8, iprp.at + iprp.size, "ipma");
    constexpr int Added = 10;

    qsizetype at = iloc.at + 8;
    const int version = quint8(bytes[at]);
    const int offsetSize = quint8(bytes[at + 4]) >> 4, lengthSize = quint8(bytes[at + 4]) & 15;
    const int baseSize = quint8(bytes[at + 5]) >> 4, indexSize = version ? quint8(bytes[at + 5]) & 15 : 0;
    at += 6;
    const quint64 items = bigEndianAt(bytes, at, version < 2 ? 2 : 4);
    at += version < 2 ? 2 : 4;
    for (quint64 item = 0; item < items; ++item) {
        at += version < 2 ? 2 : 4;
        const int method = version ? int(bigEndianAt(bytes, at, 2) & 15) : 0;
        at += (version ? 2 : 0) + 2;
        const qsizetype baseAt = at;
        const quint64 base = bigEndianAt(bytes, at, baseSize);
        at += baseSize;
        const quint64 extents = bigEndianAt(bytes, at, 2);
        at += 2;
        if (method == 0 && base >= quint64(metaEnd))
            putBigEndian(bytes, baseAt, baseSize, base + Added);
        for (quint64 extent = 0; extent < extents; ++extent) {
            at += indexSize;
            const quint64 offset = bigEndianAt(bytes, at, offsetSize);
            if (method == 0 && base == 0 && offset >= quint64(metaEnd))
                putBigEndian(bytes, at, offsetSize, offset + Added);
            at += offsetSize + lengthSize;
        }
    }

    int properties = 0;
    for (qsizetype p = ipco.at + 8; p < ipco.at + ipco.size; p += qFromBigEndian<quint32>(bytes.constData() + p))
        ++properties;
    const quint32 primary = quint32(bigEndianAt(bytes, pitm.at + 12, 2));
    const int ipmaVersion = quint8(bytes[ipma.at + 8]);
    const bool wide = quint8(bytes[ipma.at + 11]) & 1;
    at = ipma.at + 16;
    qsizetype insertAt = -1;
    for (quint64 entries = bigEndianAt(bytes, ipma.at + 12, 4); entries > 0 && insertAt < 0; --entries) {
        const quint64 item = bigEndianAt(bytes, at, ipmaVersion < 1 ? 2 : 4);
        at += ipmaVersion < 1 ? 2 : 4;
        const int count = quint8(bytes[at]);
        if (item == primary) {
            bytes[at] = char(count + 1);
            insertAt = at + 1 + count * (wide ? 2 : 1);
        }
        at += 1 + count * (wide ? 2 : 1);
    }
    if (insertAt < 0 || wide)
        qFatal("cannot add a property to this file");
    for (const auto &[box, grows] : {std::pair{meta, Added}, {iprp, Added}, {ipco, 9}, {ipma, 1}})
        putBigEndian(bytes, box.at, 4, box.size + quint32(grows));
    bytes.insert(insertAt, char(0x80 | (properties + 1)));
    bytes.insert(ipco.at + ipco.size, QByteArray("\0\0\0\x09irot", 8) + char(quarterTurns & 3));
    return bytes;
}

// Every image-size property of a HEIF file made to declare `side` x `side` pixels.
QByteArray declaringHeif(QByteArray bytes, quint32 side)
{
    for (qsizetype at = bytes.indexOf("ispe"); at >= 0; at = bytes.indexOf("ispe", at + 4)) {
        putBigEndian(bytes, at + 8, 4, side);
        putBigEndian(bytes, at + 12, 4, side);
    }
    return bytes;
}

// A JPEG XL header alone, declaring `side` x `side` pixels with default metadata.
QByteArray declaringJxl(quint32 side)
{
    QByteArray bytes("\xff\x0a", 2);
    int bit = 0;
    auto put = [&](quint32 value, int count) {
        for (int i = 0; i < count; ++i, ++bit) {
            if (bit % 8 == 0)
                bytes.append('\0');
            if (value >> i & 1)
                bytes[bytes.size() - 1] = char(bytes.back() | (1 << (bit % 8)));
        }
    };
    put(0, 1);                          // not a multiple of eight
    put(3, 2), put(side - 1, 30);       // height: 30 bits
    put(0, 3);                          // no fixed ratio
    put(3, 2), put(side - 1, 30);       // width
    put(1, 1);                          // all metadata default
    return bytes + QByteArray(200, '\0');
}

// A JPEG whose frame header declares `side` x `side` pixels.
QByteArray declaringJpeg(QByteArray jpeg, quint16 side)
{
    const qsizetype frame = jpeg.indexOf(QByteArray("\xff\xc0", 2));
    putBigEndian(jpeg, frame + 5, 2, side);
    putBigEndian(jpeg, frame + 7, 2, side);
    return jpeg;
}

// A device whose reads all fail once it is stopped, as the loader's file does when nobody waits
// for the picture any more; it counts the reads it refused.
class FailingDevice final : public QIODevice
{
public:
    explicit FailingDevice(QByteArray bytes) : m_bytes(std::move(bytes))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    qint64 size() const override { return m_bytes.size(); }
    void stop() { m_stopped = true; }
    int refused() const { return m_refused; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = qMin(maxSize, m_bytes.size() - pos());
        if (m_stopped) {
            ++m_refused;
            return -1;
        }
        memcpy(data, m_bytes.constData() + pos(), size_t(count));
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    bool m_stopped = false;
    int m_refused = 0;
};

QByteArray dng(const QImage &picture, bool mosaic = true, int orientation = 1, const QByteArray &preview = {},
               QSize declared = {})
{
    DngPicture dng;
    dng.picture = picture;
    dng.mosaic = mosaic;
    dng.orientation = orientation;
    dng.previewJpeg = preview;
    dng.declaredSize = declared;
    return writeDng(dng);
}

std::function<QSize(QSize)> fixedSize(QSize size)
{
    return [size](QSize) { return size; };
}

} // namespace

class TestImageFormats : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QtPictureLoader m_loader;
    QImage m_sample;                  // a sample picture, as the encoders got it
    QHash<QString, QByteArray> m_files;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(name));
        return file.fileName();
    }

    QByteArray read(const QString &name)
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Runs one of Debian's encoders on a file of the test folder; its output stays there.
    QByteArray encode(const QString &program, const QStringList &arguments, const QString &output)
    {
        if (QStandardPaths::findExecutable(program).isEmpty())
            qFatal("%s is missing: scripts/install-deps.sh test installs it", qPrintable(program));
        QProcess process;
        process.setWorkingDirectory(m_dir.path());
        process.start(program, arguments);
        if (!process.waitForFinished(60000) || process.exitCode() != 0)
            qFatal("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return read(output);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QImage sample(QStringLiteral(PICTARRA_SOURCE_DIR "/samples/lanterns-portrait.png"));
        QVERIFY(!sample.isNull());
        m_sample = sample.scaled(160, 240, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).convertToFormat(QImage::Format_RGB32);
        QVERIFY(m_sample.save(path(QStringLiteral("sample.png"))));
        // Grain that no encoder can squeeze, for files larger than any read-ahead.
        QImage grainy = sample.convertToFormat(QImage::Format_RGB32);
        QRandomGenerator grain(12);
        for (int y = 0; y < grainy.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(grainy.scanLine(y));
            for (int x = 0; x < grainy.width(); ++x) {
                const int n = int(grain.bounded(41u)) - 20;
                line[x] = qRgb(qBound(0, qRed(line[x]) + n, 255), qBound(0, qGreen(line[x]) - n, 255), qBound(0, qBlue(line[x]) + n, 255));
            }
        }
        QVERIFY(grainy.save(path(QStringLiteral("grainy.png"))));
        QImage p3 = m_sample;
        p3.setColorSpace(QColorSpace::DisplayP3);
        QVERIFY(p3.save(path(QStringLiteral("sample-p3.png"))));

        m_files[QStringLiteral("heic")] = encode(QStringLiteral("heif-enc"), {"-q", "90", "sample.png", "-o", "a.heic"}, "a.heic");
        m_files[QStringLiteral("heic thumbnail")] =
            encode(QStringLiteral("heif-enc"), {"-q", "90", "-t", "96", "sample.png", "-o", "t.heic"}, "t.heic");
        m_files[QStringLiteral("heic icc")] =
            encode(QStringLiteral("heif-enc"), {"-q", "90", "sample-p3.png", "-o", "p3.heic"}, "p3.heic");
        m_files[QStringLiteral("avif")] = encode(QStringLiteral("avifenc"), {"-s", "10", "sample.png", "a.avif"}, "a.avif");
        m_files[QStringLiteral("avif turned")] =
            encode(QStringLiteral("avifenc"), {"-s", "10", "--irot", "3", "sample.png", "r.avif"}, "r.avif");
        m_files[QStringLiteral("avif icc")] = encode(QStringLiteral("avifenc"), {"-s", "10", "sample-p3.png", "p3.avif"}, "p3.avif");
        m_files[QStringLiteral("avif nclx")] =
            encode(QStringLiteral("avifenc"), {"-s", "10", "--cicp", "12/13/6", "sample.png", "n.avif"}, "n.avif");
        m_files[QStringLiteral("heic large")] =
            encode(QStringLiteral("heif-enc"), {"-L", "-p", "chroma=444", "grainy.png", "-o", "l.heic"}, "l.heic");
        m_files[QStringLiteral("avif large")] = encode(QStringLiteral("avifenc"), {"-s", "10", "-l", "grainy.png", "l.avif"}, "l.avif");
        m_files[QStringLiteral("jxl")] = encode(QStringLiteral("cjxl"), {"sample.png", "a.jxl", "-e", "3"}, "a.jxl");
        m_files[QStringLiteral("jxl lossless")] = encode(QStringLiteral("cjxl"), {"sample.png", "l.jxl", "-d", "0", "-e", "1"}, "l.jxl");
        m_files[QStringLiteral("jxl large")] = encode(QStringLiteral("cjxl"), {"grainy.png", "g.jxl", "-d", "0", "-e", "1"}, "g.jxl");
        m_files[QStringLiteral("jxl icc")] = encode(QStringLiteral("cjxl"), {"sample-p3.png", "p3.jxl", "-e", "3"}, "p3.jxl");
    }

    void readsUprightAtEverySize_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        QTest::addColumn<double>("tolerance");

        const QImage sensor = quadrants(240, 160);
        QTest::newRow("heic") << m_files["heic"] << m_sample << 12.0;
        QTest::newRow("heic with thumbnail") << m_files["heic thumbnail"] << m_sample << 12.0;
        QTest::newRow("heic turned a quarter anticlockwise") << withRotation(m_files["heic"], 1) << turned(m_sample, -90) << 12.0;
        QTest::newRow("avif") << m_files["avif"] << m_sample << 12.0;
        QTest::newRow("avif turned three quarters anticlockwise") << m_files["avif turned"] << turned(m_sample, 90) << 12.0;
        QTest::newRow("jxl") << m_files["jxl"] << m_sample << 12.0;
        QTest::newRow("jxl lossless") << m_files["jxl lossless"] << m_sample << 3.0;
        // Raw files: the colours pass the camera's tone curve, hence the wider tolerance.
        QTest::newRow("dng mosaic: half size") << dng(sensor) << sensor.scaled(120, 80) << 30.0;
        QTest::newRow("dng three colours a pixel") << dng(sensor, false) << sensor << 30.0;
        QTest::newRow("dng turned by orientation 8") << dng(sensor, true, 8) << turned(sensor.scaled(120, 80), -90) << 30.0;
        // The preview is mirrored, so a decode of the sensor data instead would show.
        const QImage preview = sensor.mirrored(true, false);
        QTest::newRow("dng with a full-size preview") << dng(sensor, true, 1, jpegOf(preview)) << preview << 12.0;
        QTest::newRow("dng with a preview, orientation 6") << dng(sensor, true, 6, jpegOf(preview)) << turned(preview, 90) << 12.0;
        QTest::newRow("dng with a preview too small to show")
            << dng(sensor, true, 1, jpegOf(preview.scaled(80, 54))) << sensor.scaled(120, 80) << 30.0;
    }

    void readsUprightAtEverySize()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        QFETCH(double, tolerance);

        // Without a name to go by, the content decides.
        const QString file = write(QStringLiteral("picture"), bytes);
        const DecodedPicture full = m_loader.load(file, {});
        QVERIFY(full.ok);
        QCOMPARE(full.naturalSize, expected.size());
        QCOMPARE(full.image.size(), expected.size());
        QVERIFY2(difference(full.image, expected) <= tolerance, qPrintable(QString::number(difference(full.image, expected))));

        const QSize small = expected.size() / 3;
        const DecodedPicture reduced = m_loader.load(file, fixedSize(small));
        QVERIFY(reduced.ok);
        QCOMPARE(reduced.naturalSize, expected.size());
        QCOMPARE(reduced.image.size(), small);
        QVERIFY2(difference(reduced.image, expected) <= tolerance, qPrintable(QString::number(difference(reduced.image, expected))));

        // A part of it, for a zoomed picture.
        const QRect corner(QPoint(0, 0), expected.size() / 2);
        const QImage part = m_loader.loadRegion(file, corner, corner.size() / 2);
        QCOMPARE(part.size(), corner.size() / 2);
        QVERIFY(difference(part, expected.copy(corner)) <= tolerance);
    }

    void formatNamesAndReadersByName()
    {
        // Asked to enlarge beyond the decoding budget, a reader refuses rather than allocate.
        QBuffer heic(&m_files["heic"]);
        QImageReader enlarging(&heic);
        enlarging.setScaledSize(QSize(20000, 20000));
        QVERIFY(enlarging.read().isNull());

        const QList<QByteArray> readable = QImageReader::supportedImageFormats();
        for (const char *format : {"heic", "heif", "avif", "jxl", "dng", "cr2", "cr3", "nef", "arw", "orf", "rw2", "raf", "pef"})
            QVERIFY2(readable.contains(format), format);
        // By the file's name, as other parts of a desktop read them.
        for (const auto &[name, bytes] : {std::pair{QStringLiteral("a.heic"), m_files["heic"]},
                                          {QStringLiteral("a.avif"), m_files["avif"]},
                                          {QStringLiteral("a.jxl"), m_files["jxl"]},
                                          {QStringLiteral("a.dng"), dng(quadrants(64, 48))}}) {
            QImageReader reader(write(name, bytes));
            QVERIFY2(!reader.read().isNull(), qPrintable(name));
        }
    }

    void desktopEntryOffersTheFormats()
    {
        // Every MIME type the program's own readers read is offered to file managers, by the
        // name the desktop's MIME database knows it by, in an entry that validates.
        const QString entry = QStringLiteral(PICTARRA_SOURCE_DIR "/data/example.tarrowby.pictarra.desktop");
        QFile file(entry);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList offered;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith("MimeType="))
                offered = QString::fromUtf8(line.mid(9)).split(u';', Qt::SkipEmptyParts);
        }
        QStringList read;
        for (const QStaticPlugin &plugin : QPluginLoader::staticPlugins()) {
            for (const QJsonValue type : plugin.metaData().value(QStringLiteral("MetaData")).toObject().value(QStringLiteral("MimeTypes")).toArray())
                read.append(type.toString());
        }
        QVERIFY(read.contains(QStringLiteral("image/heic")) && read.contains(QStringLiteral("image/x-adobe-dng")));
        for (const QString &type : std::as_const(read)) {
            QVERIFY2(offered.contains(type), qPrintable(type));
            QVERIFY2(QMimeDatabase().mimeTypeForName(type).isValid(), qPrintable(type));
        }
        QProcess validate;
        validate.start(QStringLiteral("desktop-file-validate"), {entry});
        QVERIFY(validate.waitForFinished(30000));
        QVERIFY2(validate.exitCode() == 0, validate.readAllStandardOutput().constData());
    }

    void colourProfilesAttached_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QColorSpace>("expected");
        QTest::newRow("heic with an ICC profile") << "heic icc" << QColorSpace(QColorSpace::DisplayP3);
        QTest::newRow("avif with an ICC profile") << "avif icc" << QColorSpace(QColorSpace::DisplayP3);
        QTest::newRow("avif with Display P3's nclx box") << "avif nclx" << QColorSpace(QColorSpace::DisplayP3);
        QTest::newRow("avif with sRGB's nclx box") << "avif" << QColorSpace(QColorSpace::SRgb);
        QTest::newRow("jxl from a Display P3 picture") << "jxl icc" << QColorSpace(QColorSpace::DisplayP3);
        QTest::newRow("jxl from an sRGB picture") << "jxl" << QColorSpace(QColorSpace::SRgb);
        QTest::newRow("heic without a profile") << "heic" << QColorSpace();
    }

    void colourProfilesAttached()
    {
        QFETCH(QString, file);
        QFETCH(QColorSpace, expected);
        QBuffer buffer(&m_files[file]);
        buffer.open(QIODevice::ReadOnly);
        const QImage image = QImageReader(&buffer).read();
        QVERIFY(!image.isNull());
        const QColorSpace space = image.colorSpace();
        QCOMPARE(space.isValid(), expected.isValid());
        if (!expected.isValid())
            return;
        // Compared by what they do: the same colour comes out alike from both.
        for (const QColor colour : {QColor(255, 0, 0), QColor(0, 255, 0), QColor(40, 40, 200), QColor(128, 128, 128)}) {
            const QColor mine = space.transformationToColorSpace(QColorSpace::SRgbLinear).map(colour);
            const QColor theirs = expected.transformationToColorSpace(QColorSpace::SRgbLinear).map(colour);
            QVERIFY2(qAbs(mine.redF() - theirs.redF()) < 0.02 && qAbs(mine.greenF() - theirs.greenF()) < 0.02
                         && qAbs(mine.blueF() - theirs.blueF()) < 0.02,
                     qPrintable(colour.name()));
        }
    }

    void hostileFilesFailFast_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("mustFail");

        const QImage sensor = quadrants(240, 160);
        const QList<std::pair<const char *, QByteArray>> formats = {
            {"heic", m_files["heic"]}, {"avif", m_files["avif"]}, {"jxl", m_files["jxl"]},
            {"dng", dng(sensor)}, {"dng with preview", dng(sensor, true, 1, jpegOf(sensor))}};
        for (const auto &[name, good] : formats) {
            QByteArray scribbled = good;
            for (qsizetype i = good.size() / 3; i < good.size() * 2 / 3; ++i)
                scribbled[i] = char((i * 131 + 7) % 256);
            QTest::addRow("%s empty", name) << QByteArray() << true;
            QTest::addRow("%s first 100 bytes", name) << good.left(100) << true;
            // A raw file's preview comes before its sensor data, and stays whole when they are cut.
            const bool raw = QByteArray(name).startsWith("dng");
            QTest::addRow("%s half", name) << good.left(good.size() / 2) << (qstrcmp(name, "dng with preview") != 0);
            // Sensor data losing their last bytes lose a few pixels only; the rest lose their end.
            QTest::addRow("%s all but 10 bytes", name) << good.left(good.size() - 10) << !raw;
            QTest::addRow("%s scribbled middle", name) << scribbled << false;
        }
        QTest::newRow("heic declaring 100000 x 100000") << declaringHeif(m_files["heic"], 100000) << true;
        QTest::newRow("heic declaring 11000 x 11000") << declaringHeif(m_files["heic"], 11000) << true;
        QTest::newRow("avif declaring 100000 x 100000") << declaringHeif(m_files["avif"], 100000) << true;
        QTest::newRow("jxl declaring 100000 x 100000") << declaringJxl(100000) << true;
        QTest::newRow("dng declaring 60000 x 60000") << dng(sensor, true, 1, {}, QSize(60000, 60000)) << true;
        QTest::newRow("dng with a preview declaring 60000 x 60000")
            << dng(sensor, true, 1, declaringJpeg(jpegOf(sensor), 60000)) << true;
    }

    void hostileFilesFailFast()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, mustFail);
        const QString file = write(QStringLiteral("hostile"), bytes);
        QElapsedTimer clock;
        clock.start();
        for (const auto &sizing : {std::function<QSize(QSize)>(), fixedSize(QSize(30, 20))}) {
            const DecodedPicture picture = m_loader.load(file, sizing);
            if (mustFail)
                QVERIFY(!picture.ok);
            QCOMPARE(picture.image.isNull(), !picture.ok);
        }
        QVERIFY(m_loader.loadRegion(file, QRect(0, 0, 10, 10), QSize(10, 10)).isNull() || !mustFail);
        QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    }

    void failingDeviceEndsTheDecode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("format");
        // Files larger than a read-ahead, so that the decode still has to read when it stops.
        QTest::newRow("heic") << m_files["heic large"] << QByteArray("heic");
        QTest::newRow("avif") << m_files["avif large"] << QByteArray("avif");
        QTest::newRow("jxl") << m_files["jxl large"] << QByteArray("jxl");
        QTest::newRow("dng") << dng(quadrants(400, 300)) << QByteArray("dng");
    }

    void failingDeviceEndsTheDecode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, format);
        // The header reads, then the device stops: no picture, and no read asked again.
        QVERIFY2(bytes.size() > 200'000, qPrintable(QString::number(bytes.size())));
        FailingDevice device(bytes);
        QImageReader reader(&device, format);
        QVERIFY(reader.size().isValid());
        device.stop();
        QVERIFY(reader.read().isNull());
        QCOMPARE(device.refused(), 1);
    }
};

QTEST_MAIN(TestImageFormats)
#include "tst_imageformats.moc"
