// Start-up of the main window and the ways out of the program.
#include "app/frmMain.h"

#include "app/ProgramState.h"
#include "app/StartUpFailure.h"
#include "files/DriveBox.h"
#include "files/FileList.h"
#include "files/FolderBox.h"
#include "files/PathText.h"
#include "platform/CursorLookup.h"
#include "platform/LocalPath.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "platform/ProgramEnd.h"
#include "platform/ScreenInfo.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsRecord.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString regGet(SettingsStore &store, const QString &name)
{
    return store.fnRegGetValue(RegRoot::CurrentUser, AppKeyPath, name, QString());
}

// A check box as stored: 0 cleared, 1 ticked, 2 greyed.
int checkValue(const QCheckBox *box)
{
    switch (box->checkState()) {
    case Qt::Unchecked: return 0;
    case Qt::Checked: return 1;
    default: return 2;
    }
}

} // namespace

// The window's outer frame is centred, title bar and borders included, as a person sees it.
// The window manager adds its frame only when the window is first shown; until then the frame
// is taken to be the window itself, and the window is centred again once the frame is known.
void frmMain::centreOnScreen()
{
    const QSize screen = m_platform.screen->screenSize();
    const QSize outer = frameGeometry().size();
    move((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
    m_centrePending = outer == size();
}

void frmMain::Form_Load()
{
    int step = 0;
    try {
        // 1. Centre the window on the screen.
        step = 1;
        centreOnScreen();

        // 2. Initial state.
        step = 2;
        setMousePointer(PointerState::Default);
        m_pointer.busyPointer = PointerState::Default;
        m_scanIdle = true;
        m_pointer.scanStopped = false;
        m_keyCheckOn = true;
        CommandHALT->hide();

        step = 3;
        startUpSettingsKeys();
        step = 4;
        startUpHandCursor();
        step = 5;
        startUpSlideGeometry();
        step = 6;
        startUpStoredOptions();
        step = 7;
        startUpSwitches();
        step = 8;
        bool startShow = false;
        const QString folder = startUpChooseFolder(&startShow);

        // 9. Check the folder and list it.
        step = 9;
        QStringList openedFiles;
        if (pathCheck(folder)) {
            startUpNavigate(folder);
        } else {
            startShow = false;
            openedFiles = startUpOpenedFiles();
        }

        // 10. Tick every entry.
        step = 10;
        m_pointer.scanStopped = true;
        CommandSelectAll_Click();

        // 11. A usable folder on the command line starts the show at once.
        step = 11;
        if (startShow) {
            CommandDISPLAY_Click();
        } else if (!openedFiles.isEmpty()) {
            // Pictures opened from a file manager are shown as if dropped on the list.
            if (TextPATTERN->text().trimmed().isEmpty())
                TextPATTERN->setText(QStringLiteral("*.*"));
            List1_OLEDragDrop(openedFiles);
        }
    } catch (const StartUpFailure &failure) {
        m_platform.messages->show(this, MessageIcon::Stop, QStringLiteral("Pictarra"),
                                  QStringLiteral("Unexpected error ") + failure.description()
                                      + QStringLiteral(" at ") + QString::number(step));
        m_platform.programEnd->endProgram();
    } catch (const std::exception &failure) {
        m_platform.messages->show(this, MessageIcon::Stop, QStringLiteral("Pictarra"),
                                  QStringLiteral("Unexpected error ") + QString::fromLocal8Bit(failure.what())
                                      + QStringLiteral(" at ") + QString::number(step));
        m_platform.programEnd->endProgram();
    }
}

void frmMain::startUpSettingsKeys()
{
    if (!m_store.fnRegKeyExists(RegRoot::CurrentUser, MakerKeyPath))
        m_store.fnRegCreateKey(RegRoot::CurrentUser, MakerKeyPath);
    if (!m_store.fnRegKeyExists(RegRoot::CurrentUser, AppKeyPath)) {
        m_store.fnRegCreateKey(RegRoot::CurrentUser, AppKeyPath);
        writeFirstRunValues(m_store, Dir1->path(), m_platform.screen->screenSize());
    }
}

void frmMain::startUpHandCursor()
{
    const QString themes = m_platform.cursors->themesFolder();
    if (themes.isEmpty())
        return;
    m_state.HandCursorFile = m_platform.cursors->findHandCursor(themes);
    if (!m_state.HandCursorFile.isEmpty() && !m_platform.cursors->loadCursor(m_state.HandCursorFile))
        m_state.HandCursorFile.clear();
}

void frmMain::startUpSlideGeometry()
{
    const std::pair<const QString &, qint16 *> fields[] = {
        {SettingsValue::Top, &m_state.SlideTop},
        {SettingsValue::Left, &m_state.SlideLeft},
        {SettingsValue::Height, &m_state.SlideHeight},
        {SettingsValue::Width, &m_state.SlideWidth},
    };
    for (const auto &[name, variable] : fields) {
        const QString text = regGet(m_store, name);
        if (text.isEmpty())
            continue;
        QString failure;
        const std::optional<qint16> value = toInt16(text, &failure);
        if (!value)
            throw StartUpFailure(failure);
        if (*value >= 0)
            *variable = *value;
    }
}

void frmMain::startUpStoredOptions()
{
    if (regGet(m_store, SettingsValue::Folder) == QLatin1String("1"))
        CheckSUBFOLDER->setCheckState(Qt::Checked);
    const std::pair<const QString &, std::array<QRadioButton *, 3> *> groups[] = {
        {SettingsValue::Display, &OptionDISPLAY},
        {SettingsValue::Picture, &OptionPICTURE},
        {SettingsValue::Order, &OptionORDER}};
    for (const auto &[name, group] : groups) {
        const QString value = regGet(m_store, name);
        if (value == QLatin1String("1"))
            (*group)[1]->setChecked(true);
        else if (value == QLatin1String("2"))
            (*group)[2]->setChecked(true);
    }
    if (regGet(m_store, SettingsValue::Scroll) == QLatin1String("1"))
        CheckSCROLL->setCheckState(Qt::Checked);
    const QString delay = regGet(m_store, SettingsValue::Delay);
    if (!delay.trimmed().isEmpty()) {
        m_keyCheckOn = false; // the stored text goes in as it is, unfiltered
        TextSPECIFIC->setText(delay);
        m_keyCheckOn = true;
    }
    const QString pattern = regGet(m_store, SettingsValue::Pattern);
    if (!pattern.trimmed().isEmpty())
        TextPATTERN->setText(pattern);
}

void frmMain::startUpSwitches()
{
    const CommandLine &line = m_state.commandLine;
    if (!line.hasOptions())
        return;
    CheckSUBFOLDER->setCheckState(line.hasSwitch(QStringLiteral("subfolder")) ? Qt::Checked : Qt::Unchecked);
    if (line.hasSwitch(QStringLiteral("window")))
        OptionDISPLAY[1]->setChecked(true);
    else if (line.hasSwitch(QStringLiteral("topwindow")))
        OptionDISPLAY[2]->setChecked(true);
    else
        OptionDISPLAY[0]->setChecked(true);
    if (line.hasSwitch(QStringLiteral("stretch")))
        OptionPICTURE[1]->setChecked(true);
    else if (line.hasSwitch(QStringLiteral("actual")))
        OptionPICTURE[2]->setChecked(true);
    else
        OptionPICTURE[0]->setChecked(true);
    if (line.hasSwitch(QStringLiteral("random")))
        OptionORDER[1]->setChecked(true);
    TextPATTERN->setText(QString());
}

QString frmMain::startUpChooseFolder(bool *startShow)
{
    const CommandLine &line = m_state.commandLine;
    if (line.isEmpty()) {
        *startShow = false;
        return regGet(m_store, SettingsValue::LastPath).trimmed();
    }
    QString folder = line.folderText().trimmed();
    // A relative folder is taken from the working folder, as every command does.
    if (folder.isEmpty())
        folder = QDir::currentPath();
    else if (!folder.startsWith(QLatin1Char('/')))
        folder = QDir::cleanPath(QDir::current().absoluteFilePath(folder));
    *startShow = true;
    return fnAddBackslash(folder);
}

// A file manager opens pictures with their paths as separate arguments. When the arguments
// do not name a folder but every one names an existing entry that is not a folder, those are
// the show. A FIFO or a device among them counts too: the show never opens it, gives it the
// "Sorry" banner and goes on with the rest.
QStringList frmMain::startUpOpenedFiles() const
{
    QStringList files;
    const QStringList parts = m_state.commandLine.folderParts();
    for (const QString &part : parts) {
        const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(part));
        struct stat status {};
        if (::stat(LocalPath::encode(path).constData(), &status) != 0 || S_ISDIR(status.st_mode))
            return {};
        files << path;
    }
    return files;
}

// The folder must be absolute and the lookup must find something: for a path ending in "/",
// an entry inside that folder; otherwise the named file or folder itself.
bool frmMain::pathCheck(const QString &path) const
{
    if (!path.startsWith(QLatin1Char('/')))
        return false;
    if (!path.endsWith(QLatin1Char('/')))
        return ::access(LocalPath::encode(path).constData(), F_OK) == 0;
    const QByteArray encoded = LocalPath::encode(path);
    DIR *dir = ::opendir(encoded.constData());
    if (!dir)
        return false;
    // Every folder lists "." except the root of a volume, where only real entries count: an
    // empty volume root yields nothing.
    const bool volumeRoot = QStorageInfo(path).rootPath() == QDir(path).absolutePath();
    bool found = false;
    while (const dirent *entry = ::readdir(dir)) {
        const char *name = entry->d_name;
        const bool dots = name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
        if (!dots || !volumeRoot) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

void frmMain::startUpNavigate(const QString &path)
{
    m_scanIdle = false;
    Drive1->setDriveFor(path);
    m_scanIdle = true;
    // The box reports its own change too; one scan is enough, so its signal is held back.
    const QSignalBlocker blocker(Dir1);
    if (!Dir1->setPath(path))
        throw StartUpFailure(QStringLiteral("Path not found"));
    Dir1_Change();
}

void frmMain::fnSaveSettings()
{
    if (m_state.commandLine.hasOptions())
        return;
    SettingsRecord record;
    record.lastPath = Dir1->path();
    record.top = m_state.SlideTop;
    record.left = m_state.SlideLeft;
    record.height = m_state.SlideHeight;
    record.width = m_state.SlideWidth;
    record.folder = checkValue(CheckSUBFOLDER);
    record.display = selectedIndex(OptionDISPLAY);
    record.picture = selectedIndex(OptionPICTURE);
    record.order = selectedIndex(OptionORDER);
    record.scroll = checkValue(CheckSCROLL);
    record.delay = TextSPECIFIC->text();
    record.pattern = TextPATTERN->text();
    writeSettingsRecord(m_store, record);
}

// Any request to close the main window: save, then end. Never refused.
void frmMain::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_platform.programEnd->hasEnded())
        return;
    setMousePointer(PointerState::Hourglass);
    fnSaveSettings();
    m_platform.programEnd->endProgram();
}

// The program is being discarded without an explicit end (the session is closing).
void frmMain::Form_Terminate()
{
    if (m_platform.programEnd->hasEnded())
        return;
    setMousePointer(PointerState::Hourglass);
    fnSaveSettings();
}

void frmMain::CommandEXIT_Click()
{
    setMousePointer(PointerState::ArrowHourglass);
    fnSaveSettings();
    m_platform.programEnd->endProgram();
}
