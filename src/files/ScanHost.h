#pragma once

#include <QString>

// What the folder scan needs from the main window. The scan runs inside one of the window's
// handlers and lets the window's events run between entries, so the window must keep the file
// list and the folder box alive until the scan returns, and report scanStopped() once Stop
// Processing was clicked or the program is ending.
class ScanHost
{
public:
    virtual ~ScanHost() = default;

    // Called once per directory entry, before the entry is handled. Events should really be
    // processed only about once a frame (the host throttles): that keeps input within a frame
    // and Stop honoured at the next entry, without paying for event processing per entry.
    virtual void processPendingEvents() = 0;
    // The count line's new text. The scanner hands over only the latest text, right before
    // events may be processed and when the scan ends (see FolderScanner).
    virtual void setCountLine(const QString &text) = 0;
    // Points the folder box at the sub-folder the scan enters; false when the box refuses it.
    // Called for every sub-folder entered, so it must not list the folder there and then.
    virtual bool moveFolderBox(const QString &folder) = 0;
    // Stop Processing was clicked.
    virtual bool scanStopped() const = 0;
};
