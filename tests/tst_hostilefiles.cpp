// The main window and the show with files that other people made, on real folders and with
// the real picture loader:
// - a name with blanks, quotes, ";", "$(...)", backticks, a leading "-", a line break, HTML,
//   wildcard characters or bytes that are not UTF-8 is scanned, listed, previewed, shown and
//   handed to the desktop (Edit, Explore) as exactly that path; no markup is ever rendered;
// - a FIFO, a device and a link to /dev/zero named like pictures, in a folder, dropped or on
//   the command line, are left out or show the "Sorry" banner at once, and the show goes on;
// - an animated GIF of thousands of frames shows its first frame without reading the rest;
// - a tree of 40,000 files fills the list to its limit and no further;
// - an empty volume root is "No match for", like an empty drive.
#include "HostileNames.h"
#include "TestPlatform.h"
#include "show/ClickableLabel.h"
#include "app/CommandLine.h"
#include "app/ProgramState.h"
#include "app/frmMain.h"
#include "files/FileList.h"
#include "files/FolderBox.h"
#include "platform/LocalPath.h"
#include "platform/QtPictureLoader.h"
#include "show/PictureView.h"
#include "show/SlideWindow.h"

#include <QBuffer>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QRadioButton>
#include <QSet>
#include <QStandardPaths>
#include <QTextDocumentFragment>
#include <QtTest>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Generous bounds against hangs, not measurements: a FIFO opened for reading, a device read
// to its end or thousands of frames decoded would each blow far past them.
constexpr qint64 QuickMs = 5000;

bool writePng(const QByteArray &path, const QColor &colour)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG"))
        return false;
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

// An animated GIF: a `width` x `height` screen and `frames` frames of one pixel each, looping.
QByteArray animatedGif(quint16 width, quint16 height, int frames)
{
    const auto le16 = [](QByteArray &out, quint16 value) {
        out.append(char(value & 0xff)).append(char(value >> 8));
    };
    QByteArray gif("GIF89a");
    le16(gif, width);
    le16(gif, height);
    gif.append("\x80\x00\x00", 3);              // a global table of two colours
    gif.append("\x00\x00\x00\xff\xff\xff", 6);
    gif.append("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (int frame = 0; frame < frames; ++frame) {
        gif.append("\x21\xf9\x04\x00\x01\x00\x00\x00", 8);  // 1/100 s a frame
        gif.append('\x2c');
        le16(gif, quint16(frame % width));
        le16(gif, quint16(frame / width % height));
        le16(gif, 1);
        le16(gif, 1);
        gif.append('\x00');
        gif.append("\x02\x02\x44\x01\x00", 5);  // one pixel of colour 0
    }
    gif.append('\x3b');
    return gif;
}

int entryIndex(const FileList &list, const QByteArray &path)
{
    for (int i = 0; i < list.count(); ++i) {
        if (LocalPath::encode(list.entry(i)) == path)
            return i;
    }
    return -1;
}

} // namespace

class tst_HostileFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void oddNamesTravelAsExactlyThatPath_data();
    void oddNamesTravelAsExactlyThatPath();
    void specialFilesNeverStopTheShow();
    void animatedGifWithThousandsOfFrames();
    void filesChangingDuringTheShow();
    void treeOfFortyThousandFiles();
    void emptyVolumeRoot();

private:
    frmMain &window();

    QTemporaryDir m_root;
    QtPictureLoader m_loader;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<ProgramState> m_state;
    std::unique_ptr<frmMain> m_window;
};

void tst_HostileFiles::init()
{
    QVERIFY(m_root.isValid());
    m_platform = std::make_unique<TestPlatform>();
    m_platform->platform.pictures = &m_loader;
    m_state = std::make_unique<ProgramState>();
}

void tst_HostileFiles::cleanup()
{
    m_window.reset();
    m_state.reset();
    m_platform.reset();
}

frmMain &tst_HostileFiles::window()
{
    if (!m_window) {
        m_window = std::make_unique<frmMain>(m_platform->platform, *m_state);
        m_window->show();
    }
    return *m_window;
}

void tst_HostileFiles::oddNamesTravelAsExactlyThatPath_data()
{
    addHostileNameRows(".png");
}

void tst_HostileFiles::oddNamesTravelAsExactlyThatPath()
{
    QFETCH(QByteArray, name);
    // The folder is as odd as the name, slashes aside.
    QByteArray folderName = "in " + name;
    folderName.replace('/', '|');
    const QByteArray folder = QFile::encodeName(m_root.path()) + '/' + folderName;
    QVERIFY(::mkdir(folder.constData(), 0700) == 0);
    const QByteArray path = folder + '/' + name;
    if (name.contains('/'))
        QVERIFY(::mkdir(path.left(path.lastIndexOf('/')).constData(), 0700) == 0);
    QVERIFY(writePng(path, Qt::green));
    QVERIFY(writePng(folder + "/plain.png", Qt::blue));
    // QTemporaryDir removes files by decoded names, which a name that is not UTF-8 defeats.
    const auto removeRaw = qScopeGuard([&] {
        ::unlink(path.constData());
        ::rmdir(path.left(path.lastIndexOf('/')).constData());
        ::unlink((folder + "/plain.png").constData());
        ::rmdir(folder.constData());
    });

    frmMain &w = window();
    w.CheckSUBFOLDER->setChecked(true);
    QVERIFY(w.Dir1->setPath(LocalPath::decode(folder)));
    FileList &list = w.fileList();
    QCOMPARE(list.count(), 2);
    const int index = entryIndex(list, path);
    QVERIFY2(index >= 0, qPrintable(list.entry(0) + QStringLiteral(" / ") + list.entry(1)));
    const QString entry = list.entry(index);

    // Listed on one line; the folder box's tool tips (rich text by nature) hold it escaped.
    QVERIFY(!list.data(list.index(index), Qt::DisplayRole).toString().contains(u'\n'));
    for (int row = 0; row < w.Dir1->count(); ++row) {
        const QListWidgetItem *item = w.Dir1->item(row);
        QCOMPARE(QTextDocumentFragment::fromHtml(item->toolTip()).toPlainText(),
                 LocalPath::displayText(item->data(Qt::UserRole).toString()));
    }

    // Previewed and shown alone: the loader opened exactly that (green) file.
    list.setCurrentIndex(1 - index);
    list.setCurrentIndex(index);
    const auto previewCentre = [&w] {
        const QImage preview = w.ImagePreview->pixmap().toImage();
        return preview.isNull() ? QColor() : preview.pixelColor(preview.width() / 2, preview.height() / 2);
    };
    QTRY_COMPARE(previewCentre(), QColor(Qt::green));
    list.setAllTicked(false);
    list.setTicked(index, true);
    w.OptionDISPLAY[1]->setChecked(true);
    w.CommandDISPLAY_Click();
    SlideWindow *slides = w.slideWindow();
    QVERIFY(slides);
    QTRY_VERIFY(slides->Image1->picture().ok);
    QCOMPARE(slides->Image1->picture().image.pixelColor(0, 0), QColor(Qt::green));
    QVERIFY(slides->LabelPAUSED->text().endsWith(LocalPath::displayText(entry)));

    // Handed to the desktop (Edit, Explore) and dropped back: that path, that folder.
    slides->MenuEdit_Click();
    QCOMPARE(m_platform->shell.files.size(), 1);
    QCOMPARE(LocalPath::encode(m_platform->shell.files.first()), path);
    slides->MenuQuit_Click();
    QTRY_VERIFY(!w.showRunning());
    w.CommandEXPLORE_Click();
    QCOMPARE(m_platform->shell.folders.size(), 1);
    QCOMPARE(LocalPath::encode(m_platform->shell.folders.first()), folder);
    QMimeData drop;
    drop.setUrls({LocalPath::fileUrl(entry)});
    QCOMPARE(frmMain::droppedLocalFiles(&drop), QStringList{entry});

    // No label renders markup, and nothing in a name was run.
    for (const QLabel *label : w.findChildren<QLabel *>() + slides->findChildren<QLabel *>())
        QVERIFY(!label->text().contains(u'<') || label->textFormat() == Qt::PlainText);
    QVERIFY(!QFileInfo::exists(m_root.filePath(QStringLiteral("pwned"))));
}

void tst_HostileFiles::specialFilesNeverStopTheShow()
{
    const QString folder = m_root.filePath(QStringLiteral("special"));
    QVERIFY(QDir().mkdir(folder));
    const QString fifo = folder + QStringLiteral("/fifo.jpg");
    const QString zero = folder + QStringLiteral("/zero.jpg");
    const QString device = folder + QStringLiteral("/null.png");
    const QString good = folder + QStringLiteral("/good.png");
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), device));
    QVERIFY(writePng(QFile::encodeName(good), Qt::green));
    const QStringList all{fifo, zero, device, good};

    // In a folder: only the picture is listed.
    {
        frmMain &w = window();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(w.Dir1->setPath(folder));
        QCOMPARE(w.fileList().count(), 1);
        QCOMPARE(w.fileList().entry(0), good);
        QVERIFY(clock.elapsed() < QuickMs);
    }

    // Dropped, or opened from the command line: each special file shows "Sorry" at once, and
    // the show steps on to the picture.
    const auto walkTheShow = [&](frmMain &w) {
        QVERIFY(w.showRunning());
        SlideWindow *slides = w.slideWindow();
        QVERIFY(slides);
        FileList &list = w.fileList();
        QCOMPARE(list.count(), all.size());
        bool pictureShown = false;
        QElapsedTimer clock;
        clock.start();
        for (int step = 0; step < all.size(); ++step) {
            const QString current = list.entry(list.currentIndex());
            if (current == good) {
                QTRY_VERIFY(slides->Image1->picture().ok);
                pictureShown = true;
            } else {
                QTRY_VERIFY(slides->LabelSorry->isVisible() && slides->LabelSorry->text().contains(current));
            }
            slides->MenuNext_Click();
        }
        QVERIFY(pictureShown);
        QVERIFY2(clock.elapsed() < QuickMs, qPrintable(QString::number(clock.elapsed())));
    };
    {
        frmMain &w = window();
        w.TextSPECIFIC->setText(QStringLiteral("3000"));  // no timer step during the walk
        w.List1_OLEDragDrop(all);
        walkTheShow(w);
    }
    cleanup();
    init();
    QDir::setCurrent(folder);
    m_state->commandLine = CommandLine::parse({QStringLiteral("fifo.jpg"), zero, QStringLiteral("null.png"), good});
    m_window = std::make_unique<frmMain>(m_platform->platform, *m_state);
    m_window->Form_Load();
    walkTheShow(*m_window);
}

void tst_HostileFiles::animatedGifWithThousandsOfFrames()
{
    const QString path = m_root.filePath(QStringLiteral("frames.gif"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.write(animatedGif(1200, 900, 20000)) > 0);
    }
    QVERIFY(QImageReader(path).imageCount() >= 2);  // Qt sees an animation

    QElapsedTimer clock;
    clock.start();
    const DecodedPicture picture = m_loader.load(path, [](QSize natural) { return natural; });
    QVERIFY(clock.elapsed() < QuickMs);
    QVERIFY(picture.ok);
    QCOMPARE(picture.naturalSize, QSize(1200, 900));
    // One frame in memory: the first, with its one pixel drawn.
    QCOMPARE(picture.image.size(), QSize(1200, 900));
    QCOMPARE(picture.image.pixelColor(0, 0), QColor(Qt::black));

    // In a show it is a still picture, and the show goes on past it.
    QVERIFY(writePng(QFile::encodeName(m_root.filePath(QStringLiteral("after.png"))), Qt::green));
    frmMain &w = window();
    w.List1_OLEDragDrop({path, m_root.filePath(QStringLiteral("after.png"))});
    SlideWindow *slides = w.slideWindow();
    QVERIFY(slides);
    QTRY_VERIFY(slides->Image1->picture().ok && slides->Image1->picture().path == path);
    slides->MenuNext_Click();
    QTRY_VERIFY(slides->Image1->picture().ok && slides->Image1->picture().path != path);
    QVERIFY(clock.elapsed() < 2 * QuickMs);
}

void tst_HostileFiles::filesChangingDuringTheShow()
{
    // The next picture is decoded ahead; by the time the show gets there the file may have
    // been replaced, emptied or removed. The show shows what is there now, or "Sorry".
    const QString folder = m_root.filePath(QStringLiteral("changing"));
    QVERIFY(QDir().mkdir(folder));
    QStringList paths;
    for (const char *name : {"/a.png", "/b.png", "/c.png", "/d.png"}) {
        paths << folder + QLatin1String(name);
        QVERIFY(writePng(QFile::encodeName(paths.last()), Qt::green));
    }
    frmMain &w = window();
    w.TextSPECIFIC->setText(QStringLiteral("3000"));
    w.List1_OLEDragDrop(paths);
    SlideWindow *slides = w.slideWindow();
    QVERIFY(slides);
    FileList &list = w.fileList();
    const auto shownPath = [&] { return list.entry(list.currentIndex()); };
    const auto prefetchedAfter = [&](const QString &current) {
        return (slides->Image1->picture().path == current || slides->LabelSorry->text().contains(current))
               && slides->nextPictureReady();
    };

    // Replaced by another picture after it was decoded ahead: the new one is shown.
    QTRY_VERIFY(prefetchedAfter(shownPath()));
    const QString replaced = list.entry(list.currentIndex() + 1);
    QVERIFY(writePng(QFile::encodeName(replaced + QStringLiteral(".new")), Qt::blue));
    QVERIFY(::rename(QFile::encodeName(replaced + QStringLiteral(".new")).constData(),
                     QFile::encodeName(replaced).constData()) == 0);
    slides->MenuNext_Click();
    QCOMPARE(shownPath(), replaced);
    QTRY_COMPARE(slides->Image1->picture().path, replaced);
    QVERIFY(slides->Image1->picture().ok);
    QCOMPARE(slides->Image1->picture().image.pixelColor(0, 0), QColor(Qt::blue));

    // Emptied, then removed, after each was read ahead: "Sorry" each time, and the show goes on.
    for (const bool remove : {false, true}) {
        QTRY_VERIFY(prefetchedAfter(shownPath()));
        const QString next = list.entry(list.currentIndex() + 1);
        if (remove) {
            QVERIFY(QFile::remove(next));
        } else {
            QFile emptied(next);
            QVERIFY(emptied.open(QIODevice::WriteOnly | QIODevice::Truncate));
        }
        slides->MenuNext_Click();
        QCOMPARE(shownPath(), next);
        QTRY_VERIFY(slides->LabelSorry->isVisible() && slides->LabelSorry->text().contains(next));
        QVERIFY(!slides->Image1->picture().ok);
    }
    slides->MenuNext_Click();
    QCOMPARE(shownPath(), paths.first());
    QTRY_COMPARE(slides->Image1->picture().path, paths.first());
    QVERIFY(slides->Image1->picture().ok);
}

void tst_HostileFiles::treeOfFortyThousandFiles()
{
    const QString tree = m_root.filePath(QStringLiteral("tree"));
    for (int folder = 0; folder < 40; ++folder) {
        const QString dir = tree + QStringLiteral("/f%1").arg(folder, 2, 10, QLatin1Char('0'));
        QVERIFY(QDir().mkpath(dir));
        for (int file = 0; file < 1000; ++file) {
            const QByteArray name = QFile::encodeName(dir) + "/p" + QByteArray::number(file) + ".jpg";
            const int fd = ::open(name.constData(), O_CREAT | O_WRONLY, 0600);
            QVERIFY(fd >= 0);
            ::close(fd);
        }
    }

    frmMain &w = window();
    w.CheckSUBFOLDER->setChecked(true);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(w.Dir1->setPath(tree));
    QCOMPARE(w.fileList().count(), FileList::MaxEntries);
    QVERIFY(w.scanIdle());
    QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
    // Every entry is a file of the tree, listed once; the selection still answers.
    QSet<QString> entries;
    for (int i = 0; i < w.fileList().count(); ++i)
        entries.insert(w.fileList().entry(i));
    QCOMPARE(entries.size(), FileList::MaxEntries);
    QVERIFY(QFileInfo::exists(w.fileList().entry(FileList::MaxEntries - 1)));
    w.CommandSelectAll_Click();
    QCOMPARE(w.fileList().tickedCount(), FileList::MaxEntries);
}

void tst_HostileFiles::emptyVolumeRoot()
{
    // Mounting needs a mount namespace of our own: this test runs again in a child process
    // made by unshare(1), which mounts an empty tmpfs and drives the main window there.
    const QByteArray inNamespace = qgetenv("PICTARRA_TEST_IN_NAMESPACE");
    if (inNamespace.isEmpty()) {
        const QString unshare = QStandardPaths::findExecutable(QStringLiteral("unshare"));
        if (unshare.isEmpty())
            QSKIP("unshare(1) is not installed");
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("PICTARRA_TEST_IN_NAMESPACE"), m_root.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(unshare, {QStringLiteral("--user"), QStringLiteral("--map-root-user"),
                              QStringLiteral("--mount"), QCoreApplication::applicationFilePath(),
                              QStringLiteral("emptyVolumeRoot")});
        QVERIFY(child.waitForFinished(60000));
        const QByteArray output = child.readAll();
        if (output.contains("unshare failed") || output.contains("SKIP "))
            QSKIP(qPrintable("no mount namespace here: " + QString::fromLocal8Bit(output.trimmed())));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0
                     && output.contains("PASS   : tst_HostileFiles::emptyVolumeRoot()"),
                 output.constData());
        return;
    }

    const QString mountPoint = QFile::decodeName(inNamespace) + QStringLiteral("/card");
    QVERIFY(QDir().mkpath(mountPoint));
    if (::mount("tmpfs", QFile::encodeName(mountPoint).constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("cannot mount here");
    const auto unmount = qScopeGuard([&] { ::umount(QFile::encodeName(mountPoint).constData()); });

    frmMain &w = window();
    QVERIFY(w.Dir1->setPath(mountPoint));
    QCOMPARE(w.fileList().count(), 0);
    QCOMPARE(w.LabelCOUNT->text(), QStringLiteral("No match for ") + mountPoint + QStringLiteral("/*.*"));
    QVERIFY(w.scanIdle());
    // With a file in it, it is a folder like any other.
    QVERIFY(writePng(QFile::encodeName(mountPoint + QStringLiteral("/a.png")), Qt::green));
    w.CommandREFRESH_Click();
    QCOMPARE(w.fileList().count(), 1);
}

QTEST_MAIN(tst_HostileFiles)
#include "tst_hostilefiles.moc"
