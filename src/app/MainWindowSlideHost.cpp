#include "app/MainWindowSlideHost.h"

#include "app/ProgramState.h"
#include "app/frmMain.h"
#include "platform/Platform.h"
#include "platform/ProgramEnd.h"

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QRadioButton>

FileList &MainWindowSlideHost::playList()
{
    return m_window.fileList();
}

PictureDecoder &MainWindowSlideHost::pictureDecoder()
{
    return m_window.pictureDecoder();
}

PictureLoader &MainWindowSlideHost::pictureLoader()
{
    return *m_window.platform().pictures;
}

ShellHandoff &MainWindowSlideHost::shell()
{
    return *m_window.platform().shell;
}

bool MainWindowSlideHost::singlePicture() const
{
    return m_window.state().SinglePicture;
}

bool MainWindowSlideHost::handCursorFound() const
{
    return !m_window.state().HandCursorFile.isEmpty();
}

void MainWindowSlideHost::recordSlidePlacement(qint16 top, qint16 left, qint16 width, qint16 height)
{
    ProgramState &state = m_window.state();
    state.SlideTop = top;
    state.SlideLeft = left;
    state.SlideWidth = width;
    state.SlideHeight = height;
}

PictureSizing MainWindowSlideHost::sizingOption() const
{
    switch (m_window.selectedIndex(m_window.OptionPICTURE)) {
    case 1:
        return PictureSizing::StretchToFit;
    case 2:
        return PictureSizing::ActualSize;
    default:
        return PictureSizing::ExpandWithoutDistorting;
    }
}

void MainWindowSlideHost::selectSizingOption(PictureSizing sizing)
{
    m_window.OptionPICTURE[static_cast<size_t>(sizing)]->setChecked(true);
}

DisplayKind MainWindowSlideHost::displayKind() const
{
    switch (m_window.selectedIndex(m_window.OptionDISPLAY)) {
    case 1:
        return DisplayKind::Window;
    case 2:
        return DisplayKind::WindowOnTop;
    default:
        return DisplayKind::FullScreen;
    }
}

bool MainWindowSlideHost::positionBarWanted() const
{
    return m_window.CheckSCROLL->checkState() == Qt::Checked;
}

QString MainWindowSlideHost::delayText() const
{
    return m_window.TextSPECIFIC->text();
}

void MainWindowSlideHost::setDelayText(const QString &text)
{
    m_window.setDelayTextUnfiltered(text);
}

void MainWindowSlideHost::setPreview(const QImage &picture)
{
    m_window.setPreviewPicture(picture);
}

QScreen *MainWindowSlideHost::screen() const
{
    return m_window.screen();
}

void MainWindowSlideHost::keepScreenAwake(bool awake)
{
    m_window.keepScreenAwake(awake);
}

void MainWindowSlideHost::showMainWindow()
{
    m_window.showAfterShow();
}

void MainWindowSlideHost::saveSettings()
{
    m_window.fnSaveSettings();
}

void MainWindowSlideHost::exitProgram()
{
    m_window.CommandEXIT_Click();
}

void MainWindowSlideHost::endProgram()
{
    m_window.platform().programEnd->endProgram();
}
