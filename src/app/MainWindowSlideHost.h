#pragma once

#include "show/SlideHost.h"

class frmMain;

// The main window as the slide windows see it: its file list and option controls, read live.
class MainWindowSlideHost final : public SlideHost
{
public:
    explicit MainWindowSlideHost(frmMain &window) : m_window(window) {}

    FileList &playList() override;
    PictureDecoder &pictureDecoder() override;
    PictureLoader &pictureLoader() override;
    ShellHandoff &shell() override;
    bool singlePicture() const override;
    bool handCursorFound() const override;
    void recordSlidePlacement(qint16 top, qint16 left, qint16 width, qint16 height) override;
    PictureSizing sizingOption() const override;
    void selectSizingOption(PictureSizing sizing) override;
    DisplayKind displayKind() const override;
    bool positionBarWanted() const override;
    QString delayText() const override;
    void setDelayText(const QString &text) override;
    void setPreview(const QImage &picture) override;
    QScreen *screen() const override;
    void keepScreenAwake(bool awake) override;
    void showMainWindow() override;
    void saveSettings() override;
    void exitProgram() override;
    void endProgram() override;

private:
    frmMain &m_window;
};
