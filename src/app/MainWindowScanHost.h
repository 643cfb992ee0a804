#pragma once

#include "files/ScanHost.h"

#include <QElapsedTimer>

class frmMain;

// What a folder scan needs from the main window. Pending window events are processed about
// once a frame rather than for every directory entry: input is still handled within a frame
// and Stop Processing is honoured at the next entry after its click, but the list and the
// count line are not repainted thousands of times a second.
class MainWindowScanHost final : public ScanHost
{
public:
    explicit MainWindowScanHost(frmMain &window) : m_window(window) {}

    static constexpr int FrameMilliseconds = 16;
    // How often pending events are processed during a scan; tests use 0 (every entry).
    void setEventInterval(int milliseconds) { m_eventInterval = milliseconds; }

    void beginScan();
    void endScan();

    void processPendingEvents() override;
    void setCountLine(const QString &text) override;
    bool moveFolderBox(const QString &folder) override;
    bool scanStopped() const override;

private:
    frmMain &m_window;
    QElapsedTimer m_sinceEvents;
    int m_eventInterval = FrameMilliseconds;
};
