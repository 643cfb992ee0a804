#pragma once

#include <QString>

class FileList;
class PictureLoader;
class QImage;
class QWidget;
class ShellHandoff;
struct ProgramState;

// What a slide window reads and calls in the main window. The play list and the options are
// the main window's own controls, read live, never copied.
class SlideHost
{
public:
    virtual ~SlideHost() = default;

    virtual FileList &playList() = 0;
    virtual ProgramState &programState() = 0; // SinglePicture, SlideTop.., HandCursorFile
    virtual PictureLoader &pictureLoader() = 0;
    virtual ShellHandoff &shell() = 0;

    virtual int sizingOption() const = 0;          // 0 Expand, 1 Stretch, 2 Actual
    virtual void selectSizingOption(int index) = 0; // A and Z select it in the main window
    virtual int displayKind() const = 0;           // 0 Full Screen, 1 normal window, 2 on top
    virtual bool positionBarWanted() const = 0;    // "Display scrollbar at bottom"
    virtual QString delayText() const = 0;
    virtual void setDelayText(const QString &text) = 0;
    virtual void setPreview(const QImage &picture) = 0; // a null image clears the preview
    virtual QWidget *mainWindow() = 0;              // for the screen to cover

    virtual void showMainWindow() = 0;  // the show ends: the main window comes back
    virtual void saveSettings() = 0;    // fnSaveSettings
    virtual void exitProgram() = 0;     // CommandEXIT_Click: save and end
    virtual void endProgram() = 0;      // end at once, without saving
};
