#pragma once

#include "show/PictureLayout.h"
#include "show/ShowOptions.h"

#include <QString>
#include <QtGlobal>

class FileList;
class PictureDecoder;
class PictureLoader;
class QImage;
class QScreen;
class ShellHandoff;

// What a show reads and calls in the main window. The play list and the options are the main
// window's own, read live, never copied.
class SlideHost
{
public:
    virtual ~SlideHost() = default;

    virtual FileList &playList() = 0;
    virtual PictureDecoder &pictureDecoder() = 0; // every decode of the show runs there
    virtual PictureLoader &pictureLoader() = 0;   // for sharper parts of a zoomed picture
    virtual ShellHandoff &shell() = 0;

    virtual bool singlePicture() const = 0;       // SinglePicture: the show never advances
    virtual bool handCursorFound() const = 0;     // HandCursorFile is not empty
    // SlideTop, SlideLeft, SlideWidth, SlideHeight := the bordered window's placement, twips.
    virtual void recordSlidePlacement(qint16 top, qint16 left, qint16 width, qint16 height) = 0;

    virtual PictureSizing sizingOption() const = 0;
    virtual void selectSizingOption(PictureSizing sizing) = 0; // A and Z select it in the main window
    virtual DisplayKind displayKind() const = 0;
    virtual bool positionBarWanted() const = 0;    // "Display scrollbar at bottom"
    virtual QString delayText() const = 0;
    virtual void setDelayText(const QString &text) = 0;
    virtual void setPreview(const QImage &picture) = 0; // a null image clears the preview
    virtual QScreen *screen() const = 0;          // the main window's: a full-screen show covers it
    // While a show runs on screen the desktop is asked not to blank it; withdrawn when not.
    virtual void keepScreenAwake(bool awake) = 0;

    virtual void showMainWindow() = 0;  // the show ends: the main window comes back
    virtual void saveSettings() = 0;    // fnSaveSettings
    virtual void exitProgram() = 0;     // CommandEXIT_Click: save and end
    virtual void endProgram() = 0;      // end at once, without saving
};
