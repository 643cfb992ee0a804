// The main window's file list: the folder scan, navigation between folders and the bulk
// selection operations.
#include "app/frmMain.h"

#include "app/MainWindowScanHost.h"
#include "app/ProgramState.h"
#include "files/DriveBox.h"
#include "files/FileList.h"
#include "files/FileSelection.h"
#include "files/FolderBox.h"
#include "files/FolderScanner.h"
#include "files/Shuffle.h"
#include "platform/FolderPicker.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "platform/ShellHandoff.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRandomGenerator>

namespace {

const QString Searching = QStringLiteral("Searching...");

} // namespace

QList<QWidget *> frmMain::scanLockedControls() const
{
    return {CommandDISPLAY, CommandREFRESH, CommandEXPLORE, CommandSelectAll, CommandSelectNone,
            CommandSelectPattern, CommandPattern, CommandTrimList, CommandBROWSEFOLDER,
            List1, Dir1, Drive1};
}

void frmMain::fnSearchStart()
{
    setMousePointer(PointerState::ArrowHourglass);
    m_pointer.busyPointer = PointerState::ArrowHourglass;
    if (TextPATTERN->text().trimmed().isEmpty())
        TextPATTERN->setText(QStringLiteral("*.*"));
    m_pointer.scanStopped = false;
    CommandHALT->show();
    CommandEXPLORE->hide();
    for (QWidget *control : scanLockedControls())
        control->setEnabled(false);
    LabelCOUNT->setText(Searching);
    m_scanIdle = false;
}

void frmMain::fnSearchEnd()
{
    m_scanIdle = true;
    CommandHALT->hide();
    CommandEXPLORE->show();
    for (QWidget *control : scanLockedControls())
        control->setEnabled(true);
    if (LabelCOUNT->text() == Searching)
        LabelCOUNT->setText(Searching + QStringLiteral(". Done"));
    m_pointer.scanStopped = true;
    setMousePointer(PointerState::Default);
}

void frmMain::Dir1_Change()
{
    if (!m_scanIdle)
        return;
    fnSearchStart();
    CommandDISPLAY->setText(QStringLiteral("&Display Selected"));
    m_fileList->clear();
    const QString startFolder = Dir1->path();
    m_scanHost->beginScan();
    m_scanner->fnSearchFolder(startFolder, QStringLiteral("*.*"),
                              CheckSUBFOLDER->checkState() != Qt::Unchecked);
    m_scanHost->endScan();
    // The box followed the scan into sub-folders; bring it back. A start folder removed
    // meanwhile leaves the box on its nearest ancestor that still exists.
    QString folder = startFolder;
    while (!Dir1->setPath(folder) && folder != QLatin1String("/"))
        folder = QFileInfo(folder).absolutePath();
    fnSearchEnd();
}

void frmMain::CommandREFRESH_Click()
{
    Dir1_Change();
}

void frmMain::CommandHALT_Click()
{
    m_pointer.busyPointer = PointerState::Default;
    m_pointer.scanStopped = true;
}

void frmMain::Drive1_Change()
{
    if (!m_scanIdle)
        return;
    const QString root = Drive1->drive();
    // A volume that cannot be read is not ready: the box shows the pick, nothing else changes.
    if (!DriveBox::isReady(root))
        return;
    Dir1->setPath(root);
}

void frmMain::CommandBROWSEFOLDER_Click()
{
    const QString folder = m_platform.folderPicker->pickFolder(this, QStringLiteral("Select a folder"));
    if (!folder.isEmpty())
        Dir1->setPath(folder);
}

void frmMain::CommandEXPLORE_Click()
{
    const QString folder = Dir1->path();
    if (folder.isEmpty()) {
        m_platform.messages->show(this, MessageIcon::Information, QStringLiteral("Error"),
                                  QStringLiteral("Please select a directory."));
        return;
    }
    m_platform.shell->openFolder(folder);
}

void frmMain::setListBusy(bool busy)
{
    if (busy) {
        List1->setEnabled(false);
        List1->setVisible(false);
    } else {
        List1->setVisible(true);
        List1->setEnabled(true);
    }
}

// Select All, Select None and Select Pattern share one frame: the pressed button (or Select
// All) and the list are out of use and the hourglass shows while the ticks change, and the
// current entry is the same afterwards.
void frmMain::runSelection(QPushButton *disabled, const std::function<void()> &change)
{
    disabled->setEnabled(false);
    setMousePointer(PointerState::Hourglass);
    const int current = m_fileList->currentIndex();
    setListBusy(true);
    change();
    setListBusy(false);
    m_fileList->setCurrentIndex(current);
    setMousePointer(PointerState::Default);
    disabled->setEnabled(true);
}

void frmMain::CommandSelectAll_Click()
{
    runSelection(CommandSelectAll, [this] { FileSelection::selectAll(*m_fileList); });
}

void frmMain::CommandSelectNone_Click()
{
    runSelection(CommandSelectNone, [this] { FileSelection::selectNone(*m_fileList); });
}

void frmMain::CommandSelectPattern_Click()
{
    runSelection(CommandSelectAll, [this] {
        const int count = FileSelection::selectPattern(*m_fileList, TextPATTERN->text());
        LabelCOUNT->setText(FileSelection::selectionCountText(count));
    });
}

void frmMain::CommandTrimList_Click()
{
    FileSelection::trimList(*m_fileList);
}

void frmMain::CommandPattern_Click()
{
    m_platform.messages->show(this, MessageIcon::Information, QStringLiteral("Examples of Patterns"),
                              FileSelection::patternExamplesText());
}

void frmMain::fnRandomiseList()
{
    setListBusy(true);
    if (m_fileList->count() > 0) {
        // The generator is seeded by the system; the draw follows the list's rounding rule.
        fnRandomiseListCore(*m_fileList, [] { return QRandomGenerator::global()->generateDouble(); });
    }
    setListBusy(false);
    if (!LabelCOUNT->text().startsWith(QLatin1String("RAND")))
        LabelCOUNT->setText(QStringLiteral("RANDOMISED - ") + LabelCOUNT->text());
}
