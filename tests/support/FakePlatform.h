#pragma once

#include "platform/CursorLookup.h"
#include "platform/FolderPicker.h"
#include "platform/MessageBoxes.h"
#include "platform/Platform.h"
#include "platform/ProgramEnd.h"
#include "platform/ScreenInfo.h"
#include "platform/ScreenSaverInhibitor.h"
#include "platform/ShellHandoff.h"

#include <QStringList>
#include <QVector>

// Test doubles of the platform facilities: they record what the program asked for and never
// block.

struct ShownMessage
{
    MessageIcon icon;
    QString title;
    QString text;
};

class RecordingMessageBoxes final : public MessageBoxes
{
public:
    void show(QWidget *, MessageIcon icon, const QString &title, const QString &text) override
    {
        shown.append({icon, title, text});
    }
    QVector<ShownMessage> shown;
};

class RecordingProgramEnd final : public ProgramEnd
{
public:
    void endProgram() override { ++endCount; }
    bool hasEnded() const override { return endCount > 0; }
    int endCount = 0;
};

class RecordingShellHandoff final : public ShellHandoff
{
public:
    bool openFile(const QString &path) override { files << path; return result; }
    bool openWebAddress(const QString &address) override { addresses << address; return result; }
    bool openFolder(const QString &folder) override { folders << folder; return result; }
    QStringList files, addresses, folders;
    bool result = true;
};

class ScriptedFolderPicker final : public FolderPicker
{
public:
    QString pickFolder(QWidget *, const QString &title) override
    {
        titles << title;
        return answer;
    }
    QString answer;
    QStringList titles;
};

class FixedCursorLookup final : public CursorLookup
{
public:
    QString themesFolder() const override { return folder; }
    QString findHandCursor(const QString &) const override { return cursorFile; }
    bool loadCursor(const QString &) const override { return loads; }
    QString folder;
    QString cursorFile;
    bool loads = true;
};

class FixedScreenInfo final : public ScreenInfo
{
public:
    QSize screenSize() const override { return size; }
    QRect screenGeometryOf(const QWidget *) const override { return QRect(QPoint(0, 0), size); }
    QSize size{1024, 768};
};

// Records every state the program asked for, repeats included, so that tests can check both
// the state and that nothing was asked twice.
class RecordingScreenSaverInhibitor final : public ScreenSaverInhibitor
{
public:
    void setInhibited(bool inhibited) override
    {
        requests.append(inhibited);
        state = inhibited;
    }
    bool isInhibited() const override { return state; }
    QVector<bool> requests;
    bool state = false;
};
