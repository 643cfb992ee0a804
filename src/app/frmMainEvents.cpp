// Mouse pointer, keys and the wiring of the main window's controls to their handlers.
#include "app/frmMain.h"

#include "show/ClickableLabel.h"
#include "show/PictureDecoder.h"
#include "app/ProgramState.h"
#include "files/DriveBox.h"
#include "files/FileList.h"
#include "files/FolderBox.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QMimeData>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>

#include <string_view>

namespace {

enum class Family { Hand, Reset };

const char *const FamilyProperty = "pictarraPointerFamily";

// The character code the key filter sees for a key press, or -1 when the key produces no
// character (arrows, Delete, Tab, function keys...).
int characterCodeOf(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete: return -1;
    default: break;
    }
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (control && event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z)
        return event->key() - Qt::Key_A + 1;
    const QString text = event->text();
    if (text.isEmpty())
        return -1;
    return static_cast<int>(text.toUcs4().value(0));
}

} // namespace

void frmMain::installPointerFamilies()
{
    auto join = [this](QWidget *widget, Family family) {
        widget->setMouseTracking(true);
        widget->setProperty(FamilyProperty, static_cast<int>(family));
        widget->installEventFilter(this);
    };
    for (QWidget *control : std::initializer_list<QWidget *>{
             CommandDISPLAY, CommandEXPLORE, CommandHALT, CommandPattern, CommandREFRESH,
             CommandSelectAll, CommandSelectNone, CommandSelectPattern, CommandTrimList,
             LabelCOPYRIGHT, CheckSUBFOLDER, ImagePreview})
        join(control, Family::Hand);
    for (const auto *group : {&OptionDISPLAY, &OptionPICTURE, &OptionORDER}) {
        for (QRadioButton *option : *group)
            join(option, Family::Hand);
    }
    join(Dir1->viewport(), Family::Reset);
    join(List1->viewport(), Family::Reset);
    List1->viewport()->setAcceptDrops(true);
    join(TextPATTERN, Family::Reset);
    // Keys of the two text boxes.
    TextSPECIFIC->installEventFilter(this);
}

// The window's own background.
void frmMain::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (m_centrePending && frameGeometry().size() != size())
        centreOnScreen();
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (m_centrePending && frameGeometry().size() != size())
        centreOnScreen();
}

void frmMain::mouseMoveEvent(QMouseEvent *event)
{
    m_pointer.reset();
    setMousePointer(m_pointer.pointer);
    QWidget::mouseMoveEvent(event);
}

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    // While the window is being destroyed its controls may already be gone.
    if (m_destroying)
        return false;
    if (watched == List1->viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto *drag = static_cast<QDropEvent *>(event);
            if (drag->mimeData() && drag->mimeData()->hasUrls())
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        case QEvent::Drop: {
            auto *drop = static_cast<QDropEvent *>(event);
            drop->acceptProposedAction();
            List1_OLEDragDrop(droppedLocalFiles(drop->mimeData()));
            return true;
        }
        default:
            break;
        }
    }
    if (event->type() == QEvent::MouseMove) {
        auto *widget = qobject_cast<QWidget *>(watched);
        const QVariant family = watched->property(FamilyProperty);
        // A disabled control passes its moves on to the window, as the desktop does.
        if (!widget || !family.isValid() || !widget->isEnabled())
            return QWidget::eventFilter(watched, event);
        if (family.toInt() == static_cast<int>(Family::Hand))
            m_pointer.fnHandPointer();
        else
            m_pointer.reset();
        setMousePointer(m_pointer.pointer);
        // The move must not travel on to the window's own handler.
        return true;
    }
    if (event->type() == QEvent::KeyPress && (watched == TextSPECIFIC || watched == TextPATTERN)) {
        const int code = characterCodeOf(static_cast<QKeyEvent *>(event));
        if (code < 0)
            return QWidget::eventFilter(watched, event);
        if (watched == TextSPECIFIC)
            TextSPECIFIC_KeyPress(code);
        else
            TextPATTERN_KeyPress(code);
        // The box applies the keystroke afterwards, as usual.
        return QWidget::eventFilter(watched, event);
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::wireHandlers()
{
    connect(CommandREFRESH, &QPushButton::clicked, this, &frmMain::CommandREFRESH_Click);
    connect(CommandHALT, &QPushButton::clicked, this, &frmMain::CommandHALT_Click);
    connect(CommandBROWSEFOLDER, &QPushButton::clicked, this, &frmMain::CommandBROWSEFOLDER_Click);
    connect(CommandEXPLORE, &QPushButton::clicked, this, &frmMain::CommandEXPLORE_Click);
    connect(CommandSelectAll, &QPushButton::clicked, this, &frmMain::CommandSelectAll_Click);
    connect(CommandSelectNone, &QPushButton::clicked, this, &frmMain::CommandSelectNone_Click);
    connect(CommandSelectPattern, &QPushButton::clicked, this, &frmMain::CommandSelectPattern_Click);
    connect(CommandTrimList, &QPushButton::clicked, this, &frmMain::CommandTrimList_Click);
    connect(CommandPattern, &QPushButton::clicked, this, &frmMain::CommandPattern_Click);
    connect(CommandDISPLAY, &QPushButton::clicked, this, &frmMain::CommandDISPLAY_Click);
    connect(LabelCOPYRIGHT, &ClickableLabel::clicked, this, &frmMain::LabelCOPYRIGHT_Click);
    connect(ImagePreview, &ClickableLabel::clicked, this, &frmMain::ImagePreview_Click);
    connect(m_decoder.get(), &PictureDecoder::decoded, this,
            [this](quint64 ticket, const DecodedPicture &, const QImage &preview) { previewDecoded(ticket, preview); });
    connect(Dir1, &FolderBox::pathChanged, this, &frmMain::Dir1_Change);
    connect(Drive1, &DriveBox::driveChanged, this, &frmMain::Drive1_Change);
    connect(TextSPECIFIC, &QLineEdit::textChanged, this, &frmMain::TextSPECIFIC_Change);
    TextPATTERN->installEventFilter(this);

    // The list's current entry lives in the file list; the view follows it both ways.
    connect(List1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { m_fileList->setCurrentIndex(current.isValid() ? current.row() : -1); });
    connect(m_fileList, &FileList::currentIndexChanged, this, [this](int index) {
        const QModelIndex shown = List1->currentIndex();
        if ((shown.isValid() ? shown.row() : -1) != index) {
            // The highlight follows the current entry; no entry, no highlight.
            if (index < 0)
                List1->selectionModel()->clear();
            else
                List1->selectionModel()->setCurrentIndex(m_fileList->index(index),
                                                         QItemSelectionModel::ClearAndSelect);
        }
        List1_Click();
    });
}

bool frmMain::TextSPECIFIC_KeyPress(int characterCode)
{
    if (!m_keyCheckOn)
        return true;
    const bool accepted = characterCode == 13 || characterCode == 8 || characterCode == 32
                          || (characterCode >= '0' && characterCode <= '9')
                          || (characterCode >= 'A' && characterCode <= 'Z')
                          || (characterCode >= 'a' && characterCode <= 'z')
                          || (characterCode < 128 && std::string_view("(){}[]<>-_~`!@#$%^").find(char(characterCode)) != std::string_view::npos);
    if (accepted) {
        m_keyRejected = false;
        return true;
    }
    m_platform.messages->show(this, MessageIcon::Warning, QStringLiteral("Quorvane"),
                              QStringLiteral("Please use only letters or numbers 0-9 or A-Z or a-z or special "
                                             "characters ( ) { } [ ] < > - _ ~ ` ! @ # $ % ^"));
    m_keyRejected = true;
    return false;
}

// Takes a refused character back out: the last character of the text, caret at the end.
void frmMain::TextSPECIFIC_Change()
{
    if (!m_keyRejected)
        return;
    m_keyRejected = false;
    const QString text = TextSPECIFIC->text();
    if (text.isEmpty())
        return;
    TextSPECIFIC->setText(text.left(text.size() - 1));
    m_keyCheckOn = false;
    TextSPECIFIC->end(false);
    m_keyCheckOn = true;
}

void frmMain::TextPATTERN_KeyPress(int characterCode)
{
    if (characterCode == 13)
        CommandSelectPattern_Click();
}
