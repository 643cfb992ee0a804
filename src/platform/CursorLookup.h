#pragma once

#include <QString>

// Finds the pointing-hand cursor of the user's cursor theme.
class CursorLookup
{
public:
    virtual ~CursorLookup() = default;
    // The folder of icon and cursor themes, or "" when there is none.
    virtual QString themesFolder() const = 0;
    // Path of the hand cursor file under that folder, or "" when none is found.
    virtual QString findHandCursor(const QString &themesFolder) const = 0;
    // True when the file is a cursor the desktop can load.
    virtual bool loadCursor(const QString &path) const = 0;
};
