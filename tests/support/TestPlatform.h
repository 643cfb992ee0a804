#pragma once

#include "FakePictureLoader.h"
#include "FakePlatform.h"
#include "MemorySettingsFile.h"
#include "platform/Platform.h"
#include "platform/PosixDirectoryLister.h"

// Every platform facility as a double, except directory enumeration, which tests run on real
// temporary folders.
struct TestPlatform
{
    TestPlatform()
    {
        platform.messages = &messages;
        platform.programEnd = &programEnd;
        platform.shell = &shell;
        platform.folderPicker = &folderPicker;
        platform.settingsFile = &settingsFile;
        platform.cursors = &cursors;
        platform.screen = &screen;
        platform.directories = &directories;
        platform.pictures = &pictures;
        platform.screenSaver = &screenSaver;
    }

    RecordingMessageBoxes messages;
    RecordingProgramEnd programEnd;
    RecordingShellHandoff shell;
    ScriptedFolderPicker folderPicker;
    MemorySettingsFile settingsFile;
    FixedCursorLookup cursors;
    FixedScreenInfo screen;
    PosixDirectoryLister directories;
    FakePictureLoader pictures;
    RecordingScreenSaverInhibitor screenSaver;
    Platform platform;
};
