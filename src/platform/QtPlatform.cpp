#include "platform/QtPlatform.h"

#include <QCoreApplication>

QtPlatform::QtPlatform()
    : m_settingsFile(QtSettingsFile::defaultPath())
    , m_screenSaver(QCoreApplication::applicationName(), QStringLiteral("A slide show is running"))
{
    m_platform.messages = &m_messages;
    m_platform.programEnd = &m_programEnd;
    m_platform.shell = &m_shell;
    m_platform.folderPicker = &m_folderPicker;
    m_platform.settingsFile = &m_settingsFile;
    m_platform.cursors = &m_cursors;
    m_platform.screen = &m_screen;
    m_platform.directories = &m_directories;
    m_platform.pictures = &m_pictures;
    m_platform.screenSaver = &m_screenSaver;
}
