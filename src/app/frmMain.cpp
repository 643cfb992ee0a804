#include "app/frmMain.h"

#include "show/ClickableLabel.h"
#include "app/MainWindowScanHost.h"
#include "app/MainWindowSlideHost.h"
#include "app/ProgramState.h"
#include "files/FolderScanner.h"
#include "show/PictureDecoder.h"
#include "show/SlideWindow.h"
#include "files/DriveBox.h"
#include "files/FileList.h"
#include "files/FolderBox.h"
#include "platform/Platform.h"
#include "platform/ProgramEnd.h"
#include "platform/ShellHandoff.h"

#include <QAccessible>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadioButton>

namespace {

const QColor WindowYellow(255, 225, 24);
const QColor RowYellow(255, 240, 24);
const QColor PanelGrey(224, 224, 224);
const QColor FieldWhite(248, 248, 248);
const QColor TextBlue(0, 0, 255);
const QColor CopyrightOlive(128, 128, 0);

// Verdana where it is installed, the desktop's sans-serif otherwise. The font is matched when
// text is first laid out: asking the font database here would read every installed font before
// a show that starts at once has drawn anything.
QFont windowFont()
{
    QFont font(QStringLiteral("Verdana"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    return font;
}

void setColours(QWidget *widget, const QColor &text, const QColor &background = QColor())
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::ButtonText, text);
    if (background.isValid()) {
        palette.setColor(QPalette::Base, background);
        palette.setColor(QPalette::Window, background);
    }
    widget->setPalette(palette);
}

} // namespace

frmMain::frmMain(Platform &platform, ProgramState &state, QWidget *parent)
    : QWidget(parent)
    , m_platform(platform)
    , m_state(state)
    , m_store(*platform.settingsFile)
    , m_pointer(state.HandCursorFile)
    , m_fileList(new FileList(this))
    , m_scanHost(std::make_unique<MainWindowScanHost>(*this))
    , m_scanner(std::make_unique<FolderScanner>(*m_fileList, *m_scanHost, *platform.directories))
    , m_decoder(std::make_unique<PictureDecoder>(*platform.pictures))
    , m_slideHost(std::make_unique<MainWindowSlideHost>(*this))
{
    setWindowTitle(QStringLiteral("Pictarra"));
    setWindowIcon(QIcon(QStringLiteral(":/resources/icon-32.png")));
    setFixedSize(ClientWidth, ClientHeight);
    setAutoFillBackground(true);
    setMouseTracking(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, WindowYellow);
    setPalette(palette);
    setFont(windowFont());
    setAccessibleName(QStringLiteral("Pictarra"));

    buildControls();
    buildOptionRows();
    applyColoursAndFonts();
    setTabOrder();
    installPointerFamilies();
    wireHandlers();
}

frmMain::~frmMain()
{
    m_destroying = true;
    delete m_slides;
    delete m_fullScreenSlides;
    // The decoder goes before the windows' members it reports to.
    m_decoder.reset();
}

void frmMain::buildControls()
{
    auto button = [this](const QString &caption, QRect geometry, const QString &toolTip = {}) {
        auto *b = new QPushButton(caption, this);
        b->setGeometry(geometry);
        b->setToolTip(toolTip);
        b->setAutoDefault(false);
        return b;
    };

    ImageBanner = new QLabel(this);
    ImageBanner->setGeometry(0, 16, 981, 79);
    ImageBanner->setScaledContents(true);
    ImageBanner->setAccessibleName(QStringLiteral("Banner"));

    ImageTitle = new QLabel(this);
    ImageTitle->setGeometry(413, 0, 157, 50);
    ImageTitle->setAccessibleName(QStringLiteral("Pictarra"));

    LabelVERSION = new QLabel(QStringLiteral("Version 3.0, 5 Oct 2007"), this);
    LabelVERSION->setGeometry(415, 46, 153, 17);
    LabelVERSION->setAlignment(Qt::AlignCenter);

    Drive1 = new DriveBox(this);
    Drive1->setGeometry(752, 40, 219, 21);
    Drive1->setAccessibleName(QStringLiteral("Drive"));

    CommandBROWSEFOLDER = button(QStringLiteral("Select Folder"), {16, 96, 107, 19});

    Dir1 = new FolderBox(this);
    Dir1->setGeometry(17, 123, 106, 171);
    Dir1->setToolTip(QStringLiteral(
        "Click once to navigate to the folder and double click to select it (make it active)"));
    Dir1->setAccessibleName(QStringLiteral("Folder"));
    // The folder box starts at the working folder.
    Dir1->setPath(QDir::currentPath());

    CheckSUBFOLDER = new QCheckBox(QStringLiteral("sub-folders"), this);
    CheckSUBFOLDER->setGeometry(16, 300, 107, 17);

    CommandREFRESH = button(QStringLiteral("Refresh"), {16, 320, 107, 19},
        QStringLiteral("This will update the file list at right based on the folder above (and subfolder setting)"));

    List1 = new QListView(this);
    List1->setGeometry(130, 96, 830, 244);
    List1->setModel(m_fileList);
    List1->setUniformItemSizes(true);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1->setTextElideMode(Qt::ElideMiddle);
    List1->setToolTip(QStringLiteral("Click on an image to preview it below"));
    List1->setAccessibleName(QStringLiteral("Click on an image to preview it below"));
    List1->setAcceptDrops(true);
    List1->setDragDropMode(QAbstractItemView::DropOnly);

    CommandEXPLORE = button(QStringLiteral("EXPLORE selected &folder"), {16, 344, 221, 19},
        QStringLiteral("This will open up the currently selected folder using windows explorer"));
    CommandHALT = button(QStringLiteral("&Stop Processing"), {16, 344, 221, 19},
        QStringLiteral("This will stop the currently processing task"));
    CommandHALT->hide();

    CommandSelectAll = button(QStringLiteral("Select &All"), {514, 343, 83, 19});
    CommandSelectNone = button(QStringLiteral("Select &None"), {600, 343, 85, 19});
    CommandSelectPattern = button(QStringLiteral("Select &Pattern"), {688, 343, 105, 19},
        QStringLiteral("This will select only those files whith a filename that matches the pattern at right"));

    TextPATTERN = new QLineEdit(QStringLiteral("*.*"), this);
    TextPATTERN->setGeometry(792, 343, 65, 19);
    TextPATTERN->setToolTip(QStringLiteral("Click on the ? to display pattern information"));
    TextPATTERN->setAccessibleName(QStringLiteral("Pattern"));

    CommandPattern = button(QStringLiteral("?"), {856, 343, 17, 19},
        QStringLiteral("This will pop up some examples of patterns"));
    CommandPattern->setAccessibleName(QStringLiteral("Examples of Patterns"));
    CommandTrimList = button(QStringLiteral("Trim List"), {880, 343, 81, 19},
        QStringLiteral("This will remove all entries not selected from the list"));

    LabelCOUNT = new QLabel(this);
    LabelCOUNT->setGeometry(16, 365, 945, 17);
    LabelCOUNT->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    LabelCOUNT->setTextFormat(Qt::PlainText);
    LabelCOUNT->setAutoFillBackground(true);
    // No fixed accessible name: without one, assistive technology reads the line's current
    // text and hears of every change, as with any label.

    LabelSPECIFIC = new QLabel(QStringLiteral("Delay between pictures (seconds)"), this);
    LabelSPECIFIC->setGeometry(568, 432, 217, 17);

    TextSPECIFIC = new QLineEdit(QStringLiteral("10"), this);
    TextSPECIFIC->setGeometry(776, 432, 33, 19);
    TextSPECIFIC->setToolTip(QStringLiteral("only 0 - 9"));
    TextSPECIFIC->setAccessibleName(QStringLiteral("Delay between pictures (seconds)"));
    LabelSPECIFIC->setBuddy(TextSPECIFIC);

    CheckSCROLL = new QCheckBox(QStringLiteral("Display scrollbar at bottom"), this);
    CheckSCROLL->setGeometry(568, 464, 177, 17);

    CommandDISPLAY = button(QStringLiteral("&Display Selected"), {568, 488, 249, 27},
        QStringLiteral("This will display all selected files in a slide show"));

    ImagePreview = new ClickableLabel(this);
    ImagePreview->setGeometry(840, 421, 121, 97);
    ImagePreview->setScaledContents(true);
    ImagePreview->setToolTip(QStringLiteral(
        "Click on preview image to display the selected image ONLY in fullscreen or larger window"));
    ImagePreview->setAccessibleName(ImagePreview->toolTip());

    LabelCOPYRIGHT = new ClickableLabel(this);
    LabelCOPYRIGHT->setGeometry(147, 520, 689, 17);
    LabelCOPYRIGHT->setAlignment(Qt::AlignCenter);
    LabelCOPYRIGHT->setTextFormat(Qt::PlainText);
    LabelCOPYRIGHT->setText(QStringLiteral("Pictarra © 2007 Tarrowby Consulting  -  free picture slide shows  -  ")
                            + QLatin1String(WebPageAddress));
    LabelCOPYRIGHT->setToolTip(QStringLiteral("Launch ") + QLatin1String(WebPageAddress));
    LabelCOPYRIGHT->setAccessibleName(LabelCOPYRIGHT->toolTip());
}

void frmMain::buildOptionRows()
{
    struct Option
    {
        int index;
        const char *caption;
        int x;
        int width;
    };
    auto row = [this](QRect geometry, const QString &caption, std::array<QRadioButton *, 3> &group,
                      std::initializer_list<Option> options, QLabel **label) {
        auto *frame = new QWidget(this);
        frame->setGeometry(geometry);
        frame->setAutoFillBackground(true);
        setColours(frame, TextBlue, RowYellow);
        *label = new QLabel(caption, frame);
        (*label)->setGeometry(0, 0, 57, geometry.height());
        auto *buttons = new QButtonGroup(frame);
        for (const Option &option : options) {
            auto *radio = new QRadioButton(QString::fromUtf8(option.caption), frame);
            radio->setGeometry(option.x, 0, option.width, geometry.height());
            buttons->addButton(radio, option.index);
            group[option.index] = radio;
        }
        group[0]->setChecked(true);
        return frame;
    };
    FrameDISPLAY = row({31, 430, 513, 17}, QStringLiteral("DISPLAY:"), OptionDISPLAY,
                       {{0, "Full Screen", 64, 105}, {1, "In a window (normal)", 157, 153},
                        {2, "In a window (always on top)", 317, 186}},
                       &LabelDISPLAY);
    FramePICTURE = row({31, 462, 512, 17}, QStringLiteral("PICTURE:"), OptionPICTURE,
                       {{0, "Expand without distorting", 64, 177}, {1, "Stretch to fit", 240, 105},
                        {2, "Actual Size", 344, 97}},
                       &LabelPICTURE);
    FrameORDER = row({31, 494, 511, 17}, QStringLiteral("ORDER:"), OptionORDER,
                     {{0, "As listed from top of list", 64, 161}, {2, "As listed from selected", 232, 153},
                      {1, "Random", 384, 73}},
                     &LabelORDER);
    FrameDISPLAY->setAccessibleName(QStringLiteral("DISPLAY:"));
    FramePICTURE->setAccessibleName(QStringLiteral("PICTURE:"));
    FrameORDER->setAccessibleName(QStringLiteral("ORDER:"));
}

void frmMain::applyColoursAndFonts()
{
    for (QWidget *field : std::initializer_list<QWidget *>{List1, TextPATTERN, TextSPECIFIC, Drive1, Dir1})
        setColours(field, TextBlue, FieldWhite);
    for (QWidget *blue : std::initializer_list<QWidget *>{CheckSCROLL, LabelSPECIFIC})
        setColours(blue, TextBlue);
    setColours(CheckSUBFOLDER, TextBlue, PanelGrey);
    CheckSUBFOLDER->setAutoFillBackground(true);
    setColours(LabelCOUNT, Qt::black, PanelGrey);
    setColours(LabelCOPYRIGHT, CopyrightOlive);

    QFont bold = font();
    bold.setBold(true);
    CommandHALT->setFont(bold);
    LabelCOUNT->setFont(bold);
}

void frmMain::setTabOrder()
{
    // The design's tab indexes, lowest first.
    const QList<QWidget *> chain{
        Drive1, List1, CommandHALT, CommandEXPLORE, CommandSelectAll, CommandSelectNone,
        CommandSelectPattern, TextPATTERN, CommandPattern, CommandTrimList,
        OptionDISPLAY[0], OptionDISPLAY[1], OptionDISPLAY[2],
        OptionPICTURE[0], OptionPICTURE[1], OptionPICTURE[2],
        OptionORDER[0], OptionORDER[2], OptionORDER[1],
        TextSPECIFIC, CheckSCROLL, CommandDISPLAY,
        CommandBROWSEFOLDER, Dir1, CheckSUBFOLDER, CommandREFRESH};
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

// The artwork is decoded when the window is first shown: a start-up that goes straight into a
// show has no use for it before the show ends.
void frmMain::showEvent(QShowEvent *event)
{
    if (ImageBanner->pixmap().isNull() || ImageTitle->pixmap().isNull()) {
        ImageBanner->setPixmap(QPixmap(QStringLiteral(":/resources/banner.png")));
        ImageTitle->setPixmap(QPixmap(QStringLiteral(":/resources/title.gif")));
    }
    QWidget::showEvent(event);
}

void frmMain::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // The light-grey panel behind the folder, list and count area, with a white border.
    painter.setPen(QPen(Qt::white, 2));
    painter.setBrush(PanelGrey);
    painter.drawRect(QRectF(8.5, 89.5, 964, 299));

    // The rounded boxes behind the option rows and the preview.
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.setBrush(RowYellow);
    for (const QWidget *frame : {FrameDISPLAY, FramePICTURE, FrameORDER})
        painter.drawRoundedRect(QRectF(frame->geometry()).adjusted(-8.5, -5.5, 8.5, 5.5), 8, 8);
    painter.drawRoundedRect(QRectF(ImagePreview->geometry()).adjusted(-6.5, -6.5, 6.5, 6.5), 8, 8);

    // The separator between the list area and the options.
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(QPointF(16, 404.5), QPointF(961, 404.5));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawLine(QPointF(16, 405.5), QPointF(961, 405.5));
}

void frmMain::setMousePointer(int shape)
{
    m_pointer.pointer = shape;
    switch (shape) {
    case PointerState::Hourglass: setCursor(Qt::WaitCursor); break;
    case PointerState::ArrowHourglass: setCursor(Qt::BusyCursor); break;
    case PointerState::Hand: setCursor(Qt::PointingHandCursor); break;
    default: unsetCursor(); break;
    }
}

int frmMain::selectedIndex(const std::array<QRadioButton *, 3> &group) const
{
    for (int i = 0; i < 3; ++i) {
        if (group[static_cast<size_t>(i)]->isChecked())
            return i;
    }
    return -1;
}

void frmMain::LabelCOPYRIGHT_Click()
{
    m_platform.shell->openWebAddress(QLatin1String(WebPageAddress));
}
