// The main window's file handling as a user drives it: a folder change rescans with the
// scanning state and the count line, Stop Processing ends a long scan, the selection buttons
// keep the current entry, navigation by picker and Explore, the preview, the preview click,
// dropped files and the display messages.
#include "MainWindowFixture.h"
#include "show/ClickableLabel.h"
#include "show/PictureDecoder.h"
#include "app/MainWindowScanHost.h"
#include "app/ProgramState.h"
#include "app/frmMain.h"
#include "files/FileList.h"
#include "files/FolderBox.h"
#include "show/ShowTimer.h"
#include "platform/QtPictureLoader.h"
#include "show/SlideWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {

void touch(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

int indexEndingIn(const FileList &list, const QString &name)
{
    for (int i = 0; i < list.count(); ++i) {
        if (list.entry(i).endsWith(name))
            return i;
    }
    return -1;
}

} // namespace

class tst_MainWindowFiles : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QDir root(m_root.path());
        QVERIFY(root.mkpath("small/sub") && root.mkpath("large") && root.mkpath("empty"));
        for (const char *name : {"small/a.jpg", "small/B.Jpg", "small/notes.txt", "small/README", "small/sub/c.gif"})
            touch(root.filePath(name));
        for (int i = 0; i < 6000; ++i)
            touch(root.filePath(QStringLiteral("large/picture-%1.jpg").arg(i, 4, 10, QLatin1Char('0'))));
    }

    void init()
    {
        m = std::make_unique<MainWindowFixture>();
        m->window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m->window));
    }

    void cleanup() { m.reset(); }

    void folderChangeScans()
    {
        frmMain &w = m->window;
        w.CommandDISPLAY->setText("&Display Dropped Files");
        const QString small = m_root.filePath("small");
        QVERIFY(w.Dir1->setPath(small));
        FileList &list = w.fileList();
        QCOMPARE(list.count(), 3);  // names without a dot are not listed
        QCOMPARE(list.tickedCount(), 0);
        QCOMPARE(w.LabelCOUNT->text(), QString("3 matched *.*"));
        QCOMPARE(w.CommandDISPLAY->text(), QString("&Display Selected"));
        QVERIFY(w.CommandHALT->isHidden() && !w.CommandEXPLORE->isHidden());
        QVERIFY(w.List1->isEnabled() && w.Dir1->isEnabled() && w.CommandREFRESH->isEnabled());
        QCOMPARE(w.mousePointer(), 0);
        QVERIFY(w.scanIdle() && w.scanStopped());
        // The scan's busy pointer is gone for good: moving over the list keeps the arrow.
        hoverOver(w.List1);
        hoverOver(&w);
        QCOMPARE(w.mousePointer(), 0);
        QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);

        // Sub-folders, on Refresh; the box comes back to the start folder.
        w.CheckSUBFOLDER->setChecked(true);
        w.TextPATTERN->setText("  ");
        w.CommandREFRESH_Click();
        QCOMPARE(list.count(), 4);
        QVERIFY(list.entry(0).startsWith(small + '/'));
        QCOMPARE(w.LabelCOUNT->text(), QString("4 matched *.* (including sub-folders)"));
        QCOMPARE(w.Dir1->path(), small);
        QCOMPARE(w.TextPATTERN->text(), QString("*.*"));  // a blank pattern box is reset by a scan

        // A folder with only "." and "..".
        w.CheckSUBFOLDER->setChecked(false);
        QVERIFY(w.Dir1->setPath(m_root.filePath("empty")));
        QCOMPARE(w.LabelCOUNT->text(), QString("Searching.... Done"));
    }

    void stopProcessingEndsLongScan()
    {
        frmMain &w = m->window;
        // Events are processed at every entry, so that the click lands early in the scan.
        w.scanHost().setEventInterval(0);
        bool sawScanningState = false;
        QTimer::singleShot(0, &w, [&] {
            sawScanningState = !w.CommandHALT->isHidden() && w.CommandEXPLORE->isHidden() && !w.List1->isEnabled()
                               && !w.CommandDISPLAY->isEnabled() && w.CheckSUBFOLDER->isEnabled()
                               && w.mousePointer() == 13;
            w.CommandHALT->click();
        });
        const QString large = m_root.filePath("large");
        QVERIFY(w.Dir1->setPath(large));
        QVERIFY(sawScanningState);
        // One more entry at most is handled after the click.
        QVERIFY(w.fileList().count() <= 1);
        QVERIFY(w.LabelCOUNT->text() == "1 matched *.*" || w.LabelCOUNT->text() == "Searching.... Done");
        QVERIFY(w.CommandHALT->isHidden() && w.List1->isEnabled());
        QCOMPARE(w.Dir1->path(), large);
        QCOMPARE(w.mousePointer(), 0);
    }

    void selectionKeepsCurrentEntry()
    {
        frmMain &w = m->window;
        QVERIFY(w.Dir1->setPath(m_root.filePath("small")));
        FileList &list = w.fileList();
        list.setCurrentIndex(1);
        w.CommandSelectAll->click();
        QCOMPARE(list.tickedCount(), 3);
        QVERIFY(w.List1->isVisible() && w.List1->isEnabled() && w.CommandSelectAll->isEnabled());
        w.CommandSelectNone->click();
        QCOMPARE(list.tickedCount(), 0);
        QCOMPARE(list.currentIndex(), 1);
        // Enter in the pattern box selects by pattern and writes the count.
        w.TextPATTERN->setText("*.JPG");
        QTest::keyClick(w.TextPATTERN, Qt::Key_Return);
        QCOMPARE(list.tickedCount(), 2);
        QCOMPARE(w.LabelCOUNT->text(), QString("2 selected"));
        QCOMPARE(list.currentIndex(), 1);
        w.CommandTrimList->click();
        QCOMPARE(list.count(), 2);

        w.CommandPattern->click();
        QCOMPARE(m->platform.messages.shown.size(), 1);
        QCOMPARE(m->platform.messages.shown[0].title, QString("Examples of Patterns"));
        QVERIFY(m->platform.messages.shown[0].text.contains(" aBBBa   is matched by   a*a "));
    }

    void navigation()
    {
        frmMain &w = m->window;
        // The picker: cancelled changes nothing; a folder is listed.
        QVERIFY(w.Dir1->setPath(m_root.filePath("small")));
        w.CommandBROWSEFOLDER->click();
        QCOMPARE(m->platform.folderPicker.titles, QStringList{"Select a folder"});
        QCOMPARE(w.fileList().count(), 3);
        m->platform.folderPicker.answer = m_root.filePath("small/sub");
        w.CommandBROWSEFOLDER->click();
        QCOMPARE(w.Dir1->path(), m_root.filePath("small/sub"));
        QCOMPARE(w.fileList().count(), 1);
        // Explore hands the folder to the file manager as it is.
        w.CommandEXPLORE->click();
        QCOMPARE(m->platform.shell.folders, QStringList{m_root.filePath("small/sub")});
        QVERIFY(m->platform.messages.shown.isEmpty());
    }

    void previewAndItsClick()
    {
        frmMain &w = m->window;
        const QString small = m_root.filePath("small");
        m->platform.pictures.addPicture(small + "/a.jpg", QSize(640, 480));
        m->platform.pictures.addFailure(small + "/B.Jpg");
        QVERIFY(w.Dir1->setPath(small));
        FileList &list = w.fileList();
        const int a = indexEndingIn(list, "a.jpg");
        const int b = indexEndingIn(list, "B.Jpg");
        // Decoded off the window's thread, the preview comes a moment later.
        list.setCurrentIndex(a);
        QTRY_VERIFY(!w.ImagePreview->pixmap().isNull());
        // The picture test ignores case; a file that fails to load clears the preview.
        list.setCurrentIndex(b);
        QTRY_VERIFY(w.ImagePreview->pixmap().isNull());
        QVERIFY(m->platform.pictures.loadedPaths().contains(small + "/B.Jpg"));
        // While the list is busy (a selection, a scan), moving the current entry leaves it alone.
        list.setCurrentIndex(a);
        QTRY_VERIFY(!w.ImagePreview->pixmap().isNull());
        const int loads = m->platform.pictures.loadedPaths().size();
        w.CommandSelectAll->setEnabled(false);
        list.setCurrentIndex(b);
        QTRY_VERIFY(w.pictureDecoder().isIdle());
        QCOMPARE(m->platform.pictures.loadedPaths().size(), loads);

        // A click on the preview shows the current entry alone, even one that failed to load.
        w.CommandSelectAll->setEnabled(true);
        w.OptionDISPLAY[1]->setChecked(true);
        QTest::mouseClick(w.ImagePreview, Qt::LeftButton);
        QVERIFY(m->state.SinglePicture);
        QVERIFY(w.showRunning() && w.isHidden());
        QVERIFY(w.slideWindow() && w.slideWindow()->isVisible());
    }

    // One-colour 1-bit palette pictures larger than the box preview in their colour.
    void previewOfOneBitPalettePictures()
    {
        // The real loader, from the start: the window decodes with what it was given.
        QtPictureLoader loader;
        TestPlatform platform;
        platform.platform.pictures = &loader;
        ProgramState state;
        frmMain w(platform.platform, state);
        w.show();
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QImage picture(640, 480, QImage::Format_Mono);
        picture.setColorTable({qRgb(200, 30, 40), qRgb(255, 255, 255)});
        picture.fill(0);
        QVERIFY(picture.save(dir.filePath("one.bmp")) && picture.save(dir.filePath("one.png")));
        w.TextPATTERN->setText("*.png");
        QVERIFY(w.Dir1->setPath(dir.path()));
        QCOMPARE(w.fileList().count(), 2);
        for (int entry = 0; entry < 2; ++entry) {
            w.fileList().setCurrentIndex(-1);
            w.ImagePreview->clear();
            w.fileList().setCurrentIndex(entry);
            QTRY_VERIFY(!w.ImagePreview->pixmap().isNull());
            const QImage shown = w.ImagePreview->pixmap().toImage();
            for (const QPoint at : {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), shown.rect().center()})
                QCOMPARE(QColor(shown.pixel(at)), QColor(200, 30, 40));
        }
    }

    void droppedFiles()
    {
        frmMain &w = m->window;
        const QString small = m_root.filePath("small");
        QVERIFY(w.Dir1->setPath(small));
        const QString countLine = w.LabelCOUNT->text();
        w.TextPATTERN->setText("*.png");

        // Nothing acceptable: the list is emptied and nothing starts.
        w.List1_OLEDragDrop({small + "/notes.txt", small + "/README"});
        QCOMPARE(w.fileList().count(), 0);
        QVERIFY(!w.showRunning());
        QCOMPARE(w.LabelCOUNT->text(), countLine);
        QCOMPARE(w.CommandDISPLAY->text(), QString("&Display Selected"));

        // Pictures by the fixed extensions or the pattern box, ticked, shown at once from entry 0.
        w.OptionDISPLAY[1]->setChecked(true);
        w.List1_OLEDragDrop({small + "/a.jpg", small + "/notes.txt", "/elsewhere/X.PNG", "/elsewhere/y.gif"});
        FileList &list = w.fileList();
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.entry(1), QString("/elsewhere/X.PNG"));  // kept as dropped, not lower-cased
        QCOMPARE(list.tickedCount(), 3);
        QCOMPARE(w.CommandDISPLAY->text(), QString("&Display Dropped Files"));
        QVERIFY(!m->state.SinglePicture);
        QVERIFY(w.showRunning());

        // A drop of 10,000 files: all of them listed and ticked, the first one current.
        w.showAfterShow();
        QStringList many;
        for (int i = 0; i < 10000; ++i)
            many << QStringLiteral("/drop/picture %1.jpg").arg(i);
        w.List1_OLEDragDrop(many);
        QCOMPARE(list.count(), 10000);
        QCOMPARE(list.tickedCount(), 10000);
        QCOMPARE(list.currentIndex(), 0);

        // Only local files count.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile("/a b/c.jpg"), QUrl("https://example.org/d.jpg"), QUrl("smb://host/e.jpg")});
        QCOMPARE(frmMain::droppedLocalFiles(&data), QStringList{"/a b/c.jpg"});
        QMimeData text;
        text.setText("/a/b.jpg");
        QVERIFY(frmMain::droppedLocalFiles(&text).isEmpty());
    }

    // One tick makes a show of one picture, which stays on the current entry, ticked or not,
    // and never advances; two ticks make an ordinary show.
    void displayWithOneTickShowsItAlone()
    {
        frmMain &w = m->window;
        QVERIFY(w.Dir1->setPath(m_root.filePath("small")));
        FileList &list = w.fileList();
        list.setTicked(1, true);
        list.setCurrentIndex(0);
        w.OptionORDER[2]->setChecked(true);
        w.OptionDISPLAY[1]->setChecked(true);
        w.CommandDISPLAY->click();
        QVERIFY(m->state.SinglePicture);
        SlideWindow *slides = w.slideWindow();
        QVERIFY(slides && slides->isVisible());
        QCOMPARE(list.currentIndex(), 0);
        slides->MenuNext_Click();
        slides->Timer1_Timer();
        QCOMPARE(list.currentIndex(), 0);
        QVERIFY(!slides->Timer1->isEnabled());
        slides->MenuQuit_Click();

        list.setTicked(2, true); // and current, as ticking makes it
        w.CommandDISPLAY->click();
        QVERIFY(!m->state.SinglePicture);
        QCOMPARE(list.currentIndex(), 2);
        slides->MenuNext_Click();
        QCOMPARE(list.currentIndex(), 1);
        QVERIFY(slides->Timer1->isEnabled());
    }

    void displayMessages()
    {
        frmMain &w = m->window;
        const auto &shown = m->platform.messages.shown;
        w.CommandDISPLAY->click();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QString("No matching files!"));
        QCOMPARE(shown[0].icon, MessageIcon::Warning);
        QVERIFY(w.Dir1->setPath(m_root.filePath("small")));
        w.CommandDISPLAY->click();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[1].text, QString("No files selected!"));
        QVERIFY(!w.showRunning());

        // Random twice: the prefix is written once.
        w.OptionORDER[1]->setChecked(true);
        w.OptionDISPLAY[2]->setChecked(true);
        w.CommandSelectAll->click();
        w.CommandDISPLAY->click();
        QVERIFY(w.showRunning());
        QVERIFY(w.LabelCOUNT->text().startsWith("RANDOMISED - 3 matched"));
        w.showAfterShow();
        w.fnRandomiseList();
        QVERIFY(!w.LabelCOUNT->text().startsWith("RANDOMISED - RANDOMISED"));
        QCOMPARE(w.fileList().tickedCount(), 3);
    }

private:
    QTemporaryDir m_root;
    std::unique_ptr<MainWindowFixture> m;
};

QTEST_MAIN(tst_MainWindowFiles)
#include "tst_mainwindowfiles.moc"
