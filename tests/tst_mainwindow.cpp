// The main window as a user sees it: every control at its place with its caption, tool tip,
// tab order, colours and state; the option rows with their indexes; the hover pointer rules;
// the link line.
#include "MainWindowFixture.h"
#include "show/ClickableLabel.h"
#include "app/ProgramState.h"
#include "app/frmMain.h"
#include "files/DriveBox.h"
#include "files/FolderBox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class tst_MainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m = std::make_unique<MainWindowFixture>(); }
    void cleanup() { m.reset(); }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("toolTip");

        auto row = [](const char *name, QRect geometry, const char *caption, const char *toolTip) {
            QTest::newRow(name) << QString::fromLatin1(name) << geometry << QString::fromUtf8(caption)
                                << QString::fromUtf8(toolTip);
        };
        row("Drive1", {752, 40, 219, 21}, "", "");
        row("CommandBROWSEFOLDER", {16, 96, 107, 19}, "Select Folder", "");
        row("Dir1", {17, 123, 106, 171}, "",
            "Click once to navigate to the folder and double click to select it (make it active)");
        row("CheckSUBFOLDER", {16, 300, 107, 17}, "sub-folders", "");
        row("CommandREFRESH", {16, 320, 107, 19}, "Refresh",
            "This will update the file list at right based on the folder above (and subfolder setting)");
        row("List1", {130, 96, 830, 244}, "", "Click on an image to preview it below");
        row("CommandEXPLORE", {16, 344, 221, 19}, "EXPLORE selected &folder",
            "This will open up the currently selected folder using windows explorer");
        row("CommandHALT", {16, 344, 221, 19}, "&Stop Processing", "This will stop the currently processing task");
        row("CommandSelectAll", {514, 343, 83, 19}, "Select &All", "");
        row("CommandSelectNone", {600, 343, 85, 19}, "Select &None", "");
        row("CommandSelectPattern", {688, 343, 105, 19}, "Select &Pattern",
            "This will select only those files whith a filename that matches the pattern at right");
        row("TextPATTERN", {792, 343, 65, 19}, "*.*", "Click on the ? to display pattern information");
        row("CommandPattern", {856, 343, 17, 19}, "?", "This will pop up some examples of patterns");
        row("CommandTrimList", {880, 343, 81, 19}, "Trim List", "This will remove all entries not selected from the list");
        row("LabelCOUNT", {16, 365, 945, 17}, "", "");
        row("FrameDISPLAY", {31, 430, 513, 17}, "", "");
        row("FramePICTURE", {31, 462, 512, 17}, "", "");
        row("FrameORDER", {31, 494, 511, 17}, "", "");
        row("LabelSPECIFIC", {568, 432, 217, 17}, "Delay between pictures (seconds)", "");
        row("TextSPECIFIC", {776, 432, 33, 19}, "10", "only 0 - 9");
        row("CheckSCROLL", {568, 464, 177, 17}, "Display scrollbar at bottom", "");
        row("CommandDISPLAY", {568, 488, 249, 27}, "&Display Selected",
            "This will display all selected files in a slide show");
        row("ImagePreview", {840, 421, 121, 97}, "",
            "Click on preview image to display the selected image ONLY in fullscreen or larger window");
        row("LabelVERSION", {415, 46, 153, 17}, "Version 3.0, 5 Oct 2007", "");
        row("LabelCOPYRIGHT", {147, 520, 689, 17}, "", "Launch https://pictarra.tarrowby.example/");
        row("ImageTitle", {413, 0, 157, 50}, "", "");
    }
    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);

        QWidget *widget = control(name);
        QVERIFY(widget);
        QCOMPARE(widget->geometry(), geometry);
        QCOMPARE(widget->toolTip(), toolTip);
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            QCOMPARE(button->text(), caption);
        else if (auto *edit = qobject_cast<QLineEdit *>(widget))
            QCOMPARE(edit->text(), caption);
        else if (auto *label = qobject_cast<QLabel *>(widget); label && !caption.isEmpty())
            QCOMPARE(label->text(), caption);
    }

    void optionRows()
    {
        frmMain &w = m->window;
        const std::array<std::array<QRadioButton *, 3>, 3> groups{w.OptionDISPLAY, w.OptionPICTURE, w.OptionORDER};
        const QStringList captions{"Full Screen", "In a window (normal)", "In a window (always on top)",
                                   "Expand without distorting", "Stretch to fit", "Actual Size",
                                   "As listed from top of list", "Random", "As listed from selected"};
        for (size_t g = 0; g < 3; ++g) {
            for (size_t i = 0; i < 3; ++i)
                QCOMPARE(groups[g][i]->text(), captions[int(g * 3 + i)]);
            QVERIFY(groups[g][0]->isChecked());
            // One group: choosing a button clears the others.
            groups[g][2]->setChecked(true);
            QVERIFY(!groups[g][0]->isChecked());
            QCOMPARE(w.selectedIndex(groups[g]), 2);
        }
        // The ORDER row reads index 0, then 2, then 1 from left to right.
        QVERIFY(w.OptionORDER[0]->x() < w.OptionORDER[2]->x());
        QVERIFY(w.OptionORDER[2]->x() < w.OptionORDER[1]->x());
        QCOMPARE(w.OptionORDER[2]->geometry(), QRect(232, 0, 153, 17));
        QCOMPARE(w.OptionDISPLAY[2]->geometry(), QRect(317, 0, 186, 17));
        QCOMPARE(w.LabelORDER->text(), QString("ORDER:"));
    }

    void tabOrder()
    {
        frmMain &w = m->window;
        const QList<QWidget *> expected{
            w.List1, w.CommandHALT, w.CommandEXPLORE, w.CommandSelectAll, w.CommandSelectNone,
            w.CommandSelectPattern, w.TextPATTERN, w.CommandPattern, w.CommandTrimList,
            w.OptionDISPLAY[0], w.OptionDISPLAY[1], w.OptionDISPLAY[2], w.OptionPICTURE[0],
            w.OptionPICTURE[1], w.OptionPICTURE[2], w.OptionORDER[0], w.OptionORDER[2], w.OptionORDER[1],
            w.TextSPECIFIC, w.CheckSCROLL, w.CommandDISPLAY, w.CommandBROWSEFOLDER, w.Dir1,
            w.CheckSUBFOLDER, w.CommandREFRESH};
        // Walk the focus chain from the drive box and keep the controls in the order met.
        QList<QWidget *> met;
        QWidget *widget = w.Drive1;
        for (int guard = 0; guard < 500 && met.size() < expected.size(); ++guard) {
            widget = widget->nextInFocusChain();
            if (expected.contains(widget) && !met.contains(widget))
                met << widget;
        }
        QCOMPARE(met, expected);
    }

    void initialState()
    {
        frmMain &w = m->window;
        QCOMPARE(w.windowTitle(), QString("Pictarra"));
        QCOMPARE(w.size(), QSize(982, 537));
        QVERIFY(!w.windowIcon().isNull());
        QVERIFY(w.CommandHALT->isHidden() && !w.CommandEXPLORE->isHidden());
        QVERIFY(!w.CheckSUBFOLDER->isChecked() && !w.CheckSCROLL->isChecked());
        QVERIFY(w.CommandHALT->font().bold() && w.LabelCOUNT->font().bold() && !w.CommandDISPLAY->font().bold());
        QCOMPARE(w.LabelCOUNT->alignment() & Qt::AlignRight, Qt::AlignRight);
        QCOMPARE(w.mousePointer(), 0);
    }

    void lookAndColours()
    {
        frmMain &w = m->window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QImage shot = w.grab().toImage();
        shot.save(QStringLiteral(PICTARRA_BINARY_DIR "/main-window.png"));
        const qreal ratio = shot.devicePixelRatio();
        auto at = [&](int x, int y) { return QColor(shot.pixel(int(x * ratio), int(y * ratio))); };
        QCOMPARE(at(3, 520), QColor(255, 225, 24));   // window background
        QCOMPARE(at(12, 250), QColor(224, 224, 224)); // grey panel left of the folder box
        QCOMPARE(at(32 + 58, 440 + 4), QColor(255, 240, 24)); // inside the DISPLAY row, left of its first button
        QCOMPARE(at(200, 372), QColor(224, 224, 224)); // the count line's background
        // The banner and the title picture are drawn.
        QVERIFY(at(100, 50) != QColor(255, 225, 24));
        QCOMPARE(w.List1->palette().color(QPalette::Base), QColor(248, 248, 248));
        QCOMPARE(w.List1->palette().color(QPalette::Text), QColor(0, 0, 255));
        QCOMPARE(w.OptionPICTURE[1]->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(w.LabelCOPYRIGHT->palette().color(QPalette::WindowText), QColor(128, 128, 0));
    }

    void handPointer()
    {
        frmMain &w = m->window;
        m->state.HandCursorFile = "/usr/share/icons/default/cursors/hand2";
        w.show();
        w.pointerState().scanStopped = true;

        // Over a control of the hand family the hand shows; over a row container it stays.
        moveOver(w.OptionORDER[1]);
        QCOMPARE(w.mousePointer(), 99);
        QCOMPARE(w.cursor().shape(), Qt::PointingHandCursor);
        moveOver(w.FrameORDER);
        QCOMPARE(w.mousePointer(), 99);
        moveOver(w.LabelSPECIFIC);
        QCOMPARE(w.mousePointer(), 99);
        // The window's background, the folder box, the list and the pattern box bring the arrow back.
        for (QWidget *reset : std::initializer_list<QWidget *>{&w, w.Dir1, w.List1, w.TextPATTERN}) {
            moveOver(w.CommandTrimList);
            QCOMPARE(w.mousePointer(), 99);
            moveOver(reset);
            QCOMPARE(w.mousePointer(), 0);
        }

        // During a scan the background shows the busy pointer again; after Stop, the arrow.
        w.pointerState().scanStopped = false;
        w.setMousePointer(13);
        w.pointerState().busyPointer = 13;
        moveOver(w.ImagePreview);
        QCOMPARE(w.mousePointer(), 99);
        moveOver(&w);
        QCOMPARE(w.mousePointer(), 13);
        QCOMPARE(w.cursor().shape(), Qt::BusyCursor);
        moveOver(w.CheckSUBFOLDER);
        w.CommandHALT_Click();
        moveOver(&w);
        QCOMPARE(w.mousePointer(), 0);
    }

    void noHandCursorNeverChangesPointer()
    {
        frmMain &w = m->window;
        w.show();
        for (QWidget *control : std::initializer_list<QWidget *>{w.CommandDISPLAY, w.OptionDISPLAY[0], w.ImagePreview,
                                                                w.LabelCOPYRIGHT, w.CheckSUBFOLDER}) {
            moveOver(control);
            QCOMPARE(w.mousePointer(), 0);
        }
    }

    void linkLineOpensWebPage()
    {
        QTest::mouseClick(m->window.LabelCOPYRIGHT, Qt::LeftButton);
        QCOMPARE(m->platform.shell.addresses, QStringList{QString::fromLatin1(frmMain::WebPageAddress)});
    }

private:
    QWidget *control(const QString &name) const
    {
        frmMain &w = m->window;
        const QHash<QString, QWidget *> controls{
            {"Drive1", w.Drive1}, {"CommandBROWSEFOLDER", w.CommandBROWSEFOLDER}, {"Dir1", w.Dir1},
            {"CheckSUBFOLDER", w.CheckSUBFOLDER}, {"CommandREFRESH", w.CommandREFRESH}, {"List1", w.List1},
            {"CommandEXPLORE", w.CommandEXPLORE}, {"CommandHALT", w.CommandHALT},
            {"CommandSelectAll", w.CommandSelectAll}, {"CommandSelectNone", w.CommandSelectNone},
            {"CommandSelectPattern", w.CommandSelectPattern}, {"TextPATTERN", w.TextPATTERN},
            {"CommandPattern", w.CommandPattern}, {"CommandTrimList", w.CommandTrimList},
            {"LabelCOUNT", w.LabelCOUNT}, {"FrameDISPLAY", w.FrameDISPLAY}, {"FramePICTURE", w.FramePICTURE},
            {"FrameORDER", w.FrameORDER}, {"LabelSPECIFIC", w.LabelSPECIFIC}, {"TextSPECIFIC", w.TextSPECIFIC},
            {"CheckSCROLL", w.CheckSCROLL}, {"CommandDISPLAY", w.CommandDISPLAY},
            {"ImagePreview", w.ImagePreview}, {"LabelVERSION", w.LabelVERSION},
            {"LabelCOPYRIGHT", w.LabelCOPYRIGHT}, {"ImageTitle", w.ImageTitle}};
        return controls.value(name);
    }

    void moveOver(QWidget *widget) { hoverOver(widget); }

    std::unique_ptr<MainWindowFixture> m;
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
