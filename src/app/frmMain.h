#pragma once

#include "app/PointerState.h"
#include "settings/SettingsStore.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QListView;
class QPushButton;
class QRadioButton;
class ClickableLabel;
class DriveBox;
class FileList;
class FolderBox;
class FolderScanner;
class MainWindowScanHost;
class MainWindowSlideHost;
class PictureDecoder;
class SlideWindow;
struct Platform;
struct ProgramState;

// The main window: the control panel where the user picks a folder, ticks pictures, chooses
// the show's options and starts it.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    frmMain(Platform &platform, ProgramState &state, QWidget *parent = nullptr);
    ~frmMain() override;

    static constexpr int ClientWidth = 982;
    static constexpr int ClientHeight = 537;
    static constexpr const char *WebPageAddress = "https://pictarra.tarrowby.example/";

    // Start-up (runs before the window is first shown).
    void Form_Load();
    // The exit routes.
    void Form_Terminate();
    void CommandEXIT_Click();
    void fnSaveSettings();

    // Handlers behind the controls.
    void Dir1_Change();
    void Drive1_Change();
    void CommandREFRESH_Click();
    void CommandHALT_Click();
    void CommandBROWSEFOLDER_Click();
    void CommandEXPLORE_Click();
    void CommandSelectAll_Click();
    void CommandSelectNone_Click();
    void CommandSelectPattern_Click();
    void CommandTrimList_Click();
    void CommandPattern_Click();
    void CommandDISPLAY_Click();
    void LabelCOPYRIGHT_Click();
    void List1_Click();
    void ImagePreview_Click();
    void List1_OLEDragDrop(const QStringList &droppedFiles);
    static QStringList droppedLocalFiles(const QMimeData *data);
    std::function<bool(const QString &)> pictureTest() const;
    // Returns false when the character is refused (the warning was shown).
    bool TextSPECIFIC_KeyPress(int characterCode);
    void TextSPECIFIC_Change();
    void TextPATTERN_KeyPress(int characterCode);

    void fnSearchStart();
    void fnSearchEnd();
    void fnRandomiseList();
    void openSlideWindow();

    // The file list and the controls, for the slide windows and for tests.
    FileList &fileList() { return *m_fileList; }
    ProgramState &state() { return m_state; }
    Platform &platform() { return m_platform; }
    SettingsStore &settingsStore() { return m_store; }
    // Every picture decode of the main window and its shows runs there, off this thread.
    PictureDecoder &pictureDecoder() { return *m_decoder; }
    PointerState &pointerState() { return m_pointer; }
    // The window's pointer-shape code (0, 11, 13 or 99) and its application.
    int mousePointer() const { return m_pointer.pointer; }
    void setMousePointer(int shape);
    bool scanIdle() const { return m_scanIdle; }
    MainWindowScanHost &scanHost() { return *m_scanHost; }
    bool scanStopped() const { return m_pointer.scanStopped; }
    // True while a slide window shows the pictures (the main window is then hidden).
    bool showRunning() const { return m_showRunning; }

    // Used by the slide windows.
    void setDelayTextUnfiltered(const QString &text);
    void setPreviewPicture(const QImage &picture);
    void showAfterShow();
    // A show runs on screen: the desktop is asked not to blank it.
    void keepScreenAwake(bool awake);
    SlideWindow *slideWindow() const;

    // Option groups by index, as stored in the settings.
    int selectedIndex(const std::array<QRadioButton *, 3> &group) const;

    // Controls, named as the design names them.
    DriveBox *Drive1 = nullptr;
    QPushButton *CommandBROWSEFOLDER = nullptr;
    FolderBox *Dir1 = nullptr;
    QCheckBox *CheckSUBFOLDER = nullptr;
    QPushButton *CommandREFRESH = nullptr;
    QListView *List1 = nullptr;
    QPushButton *CommandEXPLORE = nullptr;
    QPushButton *CommandHALT = nullptr;
    QPushButton *CommandSelectAll = nullptr;
    QPushButton *CommandSelectNone = nullptr;
    QPushButton *CommandSelectPattern = nullptr;
    QLineEdit *TextPATTERN = nullptr;
    QPushButton *CommandPattern = nullptr;
    QPushButton *CommandTrimList = nullptr;
    QLabel *LabelCOUNT = nullptr;
    QWidget *FrameDISPLAY = nullptr;
    QWidget *FramePICTURE = nullptr;
    QWidget *FrameORDER = nullptr;
    QLabel *LabelDISPLAY = nullptr;
    QLabel *LabelPICTURE = nullptr;
    QLabel *LabelORDER = nullptr;
    std::array<QRadioButton *, 3> OptionDISPLAY{};
    std::array<QRadioButton *, 3> OptionPICTURE{};
    std::array<QRadioButton *, 3> OptionORDER{};
    QLabel *LabelSPECIFIC = nullptr;
    QLineEdit *TextSPECIFIC = nullptr;
    QCheckBox *CheckSCROLL = nullptr;
    QPushButton *CommandDISPLAY = nullptr;
    ClickableLabel *ImagePreview = nullptr;
    QLabel *LabelVERSION = nullptr;
    ClickableLabel *LabelCOPYRIGHT = nullptr;
    QLabel *ImageTitle = nullptr;
    QLabel *ImageBanner = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class MainWindowScanHost;

    void buildControls();
    void buildOptionRows();
    void applyColoursAndFonts();
    void setTabOrder();
    void wireHandlers();
    void installPointerFamilies();

    // Start-up steps.
    void centreOnScreen();
    void startUpSettingsKeys();
    void startUpHandCursor();
    void startUpSlideGeometry();
    void startUpStoredOptions();
    void startUpSwitches();
    QString startUpChooseFolder(bool *startShow);
    bool pathCheck(const QString &path) const;
    QStringList startUpOpenedFiles() const;
    void startUpNavigate(const QString &path);

    QList<QWidget *> scanLockedControls() const;
    bool previewGuard() const;
    void runSelection(QPushButton *disabled, const std::function<void()> &change);
    void processScanEvents();
    void setListBusy(bool busy);
    void previewDecoded(quint64 ticket, const QImage &preview);

    Platform &m_platform;
    ProgramState &m_state;
    SettingsStore m_store;
    PointerState m_pointer;
    FileList *m_fileList = nullptr;
    std::unique_ptr<MainWindowScanHost> m_scanHost;
    std::unique_ptr<FolderScanner> m_scanner;
    std::unique_ptr<PictureDecoder> m_decoder;
    // The preview's decode still awaited; 0 when none is.
    quint64 m_previewTicket = 0;
    std::unique_ptr<MainWindowSlideHost> m_slideHost;
    QPointer<SlideWindow> m_slides;           // frmSlides, bordered
    QPointer<SlideWindow> m_fullScreenSlides; // frmSlidesNoBorder
    bool m_scanIdle = true;
    bool m_keyCheckOn = true;
    bool m_keyRejected = false;
    bool m_showRunning = false;
    bool m_destroying = false;
    // Centred before the window manager framed the window: centred again once the frame is known.
    bool m_centrePending = false;
};
