#pragma once

// toInt16 converts the stored placement values back when the record is read at start-up.
#include "settings/NumericText.h"

#include <QSize>
#include <QString>

class SettingsStore;

// The settings record as the main window saves it at exit.
struct SettingsRecord
{
    QString lastPath;
    qint16 top = 0, left = 0, height = 0, width = 0;  // twips
    int folder = 0;   // check state: 0 cleared, 1 ticked, 2 greyed (greyed writes nothing)
    int display = 0, picture = 0, order = 0;  // selected index 0..2, -1 when none is selected
    int scroll = 0;   // as folder
    QString delay, pattern;
};

// First-run values, in their fixed order; screen size in logical pixels (15 twips each). The
// bordered slide window starts half the screen's size in its middle.
void writeFirstRunValues(SettingsStore &store, const QString &lastPath, QSize screenPixels);

// Writes the whole record, value by value in its fixed order (the caller decides whether to
// save at all).
void writeSettingsRecord(SettingsStore &store, const SettingsRecord &record);
