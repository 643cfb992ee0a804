#pragma once

class MessageBoxes;
class ProgramEnd;
class ShellHandoff;
class FolderPicker;
class SettingsFile;
class CursorLookup;
class ScreenInfo;
class DirectoryLister;
class PictureLoader;
class ScreenSaverInhibitor;

// The platform facilities the program uses, each behind its own interface. The program gets
// the desktop's implementations (QtPlatform); tests put doubles in their place.
struct Platform
{
    MessageBoxes *messages = nullptr;
    ProgramEnd *programEnd = nullptr;
    ShellHandoff *shell = nullptr;
    FolderPicker *folderPicker = nullptr;
    SettingsFile *settingsFile = nullptr;
    CursorLookup *cursors = nullptr;
    ScreenInfo *screen = nullptr;
    DirectoryLister *directories = nullptr;
    PictureLoader *pictures = nullptr;
    ScreenSaverInhibitor *screenSaver = nullptr;
};
