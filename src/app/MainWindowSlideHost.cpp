#include "app/MainWindowSlideHost.h"

#include "app/ClickableLabel.h"
#include "app/frmMain.h"
#include "platform/Platform.h"
#include "platform/ProgramEnd.h"

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>

FileList &MainWindowSlideHost::playList()
{
    return m_window.fileList();
}

ProgramState &MainWindowSlideHost::programState()
{
    return m_window.state();
}

PictureLoader &MainWindowSlideHost::pictureLoader()
{
    return *m_window.platform().pictures;
}

ShellHandoff &MainWindowSlideHost::shell()
{
    return *m_window.platform().shell;
}

int MainWindowSlideHost::sizingOption() const
{
    return m_window.selectedIndex(m_window.OptionPICTURE);
}

void MainWindowSlideHost::selectSizingOption(int index)
{
    if (index >= 0 && index < 3)
        m_window.OptionPICTURE[static_cast<size_t>(index)]->setChecked(true);
}

int MainWindowSlideHost::displayKind() const
{
    return m_window.selectedIndex(m_window.OptionDISPLAY);
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

QWidget *MainWindowSlideHost::mainWindow()
{
    return &m_window;
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
