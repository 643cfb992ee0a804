#include "app/MainWindowScanHost.h"

#include "app/frmMain.h"
#include "files/FolderBox.h"
#include "platform/LocalPath.h"
#include "platform/Platform.h"
#include "platform/ProgramEnd.h"

#include <QCoreApplication>
#include <QLabel>

void MainWindowScanHost::beginScan()
{
    m_sinceEvents.start();
}

void MainWindowScanHost::endScan()
{
    m_sinceEvents.invalidate();
}

void MainWindowScanHost::processPendingEvents()
{
    if (m_sinceEvents.isValid() && m_sinceEvents.elapsed() < m_eventInterval)
        return;
    QCoreApplication::processEvents();
    m_sinceEvents.start();
}

void MainWindowScanHost::setCountLine(const QString &text)
{
    m_window.LabelCOUNT->setText(LocalPath::displayText(text));
}

bool MainWindowScanHost::moveFolderBox(const QString &folder)
{
    return m_window.Dir1->setPath(folder);
}

bool MainWindowScanHost::scanStopped() const
{
    // Ending the program during a scan stops it too, so that nothing runs after the end.
    return m_window.scanStopped() || m_window.platform().programEnd->hasEnded();
}
