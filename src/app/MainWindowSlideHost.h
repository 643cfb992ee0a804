#pragma once

#include "show/SlideHost.h"

class frmMain;

// The main window as the slide windows see it: its file list and option controls, read live.
class MainWindowSlideHost final : public SlideHost
{
public:
    explicit MainWindowSlideHost(frmMain &window) : m_window(window) {}

    FileList &playList() override;
    ProgramState &programState() override;
    PictureLoader &pictureLoader() override;
    ShellHandoff &shell() override;
    int sizingOption() const override;
    void selectSizingOption(int index) override;
    int displayKind() const override;
    bool positionBarWanted() const override;
    QString delayText() const override;
    void setDelayText(const QString &text) override;
    void setPreview(const QImage &picture) override;
    QWidget *mainWindow() override;
    void showMainWindow() override;
    void saveSettings() override;
    void exitProgram() override;
    void endProgram() override;

private:
    frmMain &m_window;
};
