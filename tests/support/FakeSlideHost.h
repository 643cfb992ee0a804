#pragma once

#include "FakePictureLoader.h"
#include "FakePlatform.h"

#include "app/ProgramState.h"
#include "files/FileList.h"
#include "show/PictureDecoder.h"
#include "show/SlideHost.h"

#include <QImage>
#include <QWidget>

#include <memory>

// The main window as a slide window sees it, with a real file list and recorded calls.
class FakeSlideHost final : public SlideHost
{
public:
    FakeSlideHost();

    // Fills the list with the given paths, ticks the ones given (ticking moves the current
    // entry, as in the program) and then puts the current entry where asked.
    void setPlayList(const QStringList &paths, const QList<int> &ticked, int current);

    FileList &playList() override { return list; }
    // The decoder works with whichever loader the test put in place last.
    PictureDecoder &pictureDecoder() override
    {
        if (!decoder || decoderLoader != loader) {
            decoder = std::make_unique<PictureDecoder>(*loader);
            decoderLoader = loader;
        }
        return *decoder;
    }
    PictureLoader &pictureLoader() override { return *loader; }
    ShellHandoff &shell() override { return shellHandoff; }
    bool singlePicture() const override { return state.SinglePicture; }
    bool handCursorFound() const override { return !state.HandCursorFile.isEmpty(); }
    void recordSlidePlacement(qint16 top, qint16 left, qint16 width, qint16 height) override
    {
        state.SlideTop = top;
        state.SlideLeft = left;
        state.SlideWidth = width;
        state.SlideHeight = height;
    }
    PictureSizing sizingOption() const override { return PictureSizing(sizing); }
    void selectSizingOption(PictureSizing option) override { sizing = int(option); }
    DisplayKind displayKind() const override { return DisplayKind(display); }
    bool positionBarWanted() const override { return barWanted; }
    QString delayText() const override { return delay; }
    void setDelayText(const QString &text) override { delay = text; }
    void setPreview(const QImage &picture) override
    {
        preview = picture;
        ++previewCount;
    }
    QScreen *screen() const override { return main.screen(); }
    void keepScreenAwake(bool awake) override
    {
        if (awake != screenKeptAwake)
            awakeChanges << awake;
        screenKeptAwake = awake;
    }
    void showMainWindow() override
    {
        main.show();
        ++mainShownCount;
    }
    void saveSettings() override { ++saveCount; }
    void exitProgram() override { ++exitCount; }
    void endProgram() override { ++endCount; }

    FileList list;
    ProgramState state;
    FakePictureLoader fakeLoader;
    PictureLoader *loader = &fakeLoader;
    RecordingShellHandoff shellHandoff;
    QWidget main;
    int sizing = 0;
    int display = 1;
    bool barWanted = true;
    QString delay = QStringLiteral("10");
    QImage preview;
    int previewCount = 0;
    int mainShownCount = 0;
    int saveCount = 0;
    int exitCount = 0;
    int endCount = 0;
    bool screenKeptAwake = false;
    QList<bool> awakeChanges;

private:
    std::unique_ptr<PictureDecoder> decoder;
    PictureLoader *decoderLoader = nullptr;
};
