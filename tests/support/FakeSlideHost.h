#pragma once

#include "FakePictureLoader.h"
#include "FakePlatform.h"

#include "app/ProgramState.h"
#include "files/FileList.h"
#include "show/SlideHost.h"

#include <QImage>
#include <QWidget>

// The main window as a slide window sees it, with a real file list and recorded calls.
class FakeSlideHost final : public SlideHost
{
public:
    FakeSlideHost();

    // Fills the list with the given paths, ticks the ones given (ticking moves the current
    // entry, as in the program) and then puts the current entry where asked.
    void setPlayList(const QStringList &paths, const QList<int> &ticked, int current);

    FileList &playList() override { return list; }
    ProgramState &programState() override { return state; }
    PictureLoader &pictureLoader() override { return *loader; }
    ShellHandoff &shell() override { return shellHandoff; }
    int sizingOption() const override { return sizing; }
    void selectSizingOption(int index) override { sizing = index; }
    int displayKind() const override { return display; }
    bool positionBarWanted() const override { return barWanted; }
    QString delayText() const override { return delay; }
    void setDelayText(const QString &text) override { delay = text; }
    void setPreview(const QImage &picture) override
    {
        preview = picture;
        ++previewCount;
    }
    QWidget *mainWindow() override { return &main; }
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
};
