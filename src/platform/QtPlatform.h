#pragma once

#include "platform/Platform.h"
#include "platform/DBusScreenSaverInhibitor.h"
#include "platform/QtCursorLookup.h"
#include "platform/QtFolderPicker.h"
#include "platform/QtMessageBoxes.h"
#include "platform/QtProgramEnd.h"
#include "platform/QtScreenInfo.h"
#include "platform/QtShellHandoff.h"
#include "platform/QtSettingsFile.h"
#include "platform/PosixDirectoryLister.h"
#include "platform/QtPictureLoader.h"

// The desktop's implementations of every platform facility, owned in one place.
class QtPlatform
{
public:
    QtPlatform();
    Platform &platform() { return m_platform; }

private:
    QtMessageBoxes m_messages;
    QtProgramEnd m_programEnd;
    QtShellHandoff m_shell;
    QtFolderPicker m_folderPicker;
    QtSettingsFile m_settingsFile;
    QtCursorLookup m_cursors;
    QtScreenInfo m_screen;
    PosixDirectoryLister m_directories;
    QtPictureLoader m_pictures;
    DBusScreenSaverInhibitor m_screenSaver;
    Platform m_platform;
};
