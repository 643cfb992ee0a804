#pragma once

#include <QString>

// The main window's mouse-pointer rules: a hand over the controls that act when clicked, and
// the arrow (or the scan's busy pointer) back over the window's background.
class PointerState
{
public:
    enum Shape { Default = 0, Hourglass = 11, ArrowHourglass = 13, Hand = 99 };

    explicit PointerState(const QString &handCursorFile) : m_handCursorFile(handCursorFile) {}

    int pointer = Default;
    int busyPointer = Default;
    bool scanStopped = false;

    // Over a control of the hand family.
    void fnHandPointer()
    {
        if (m_handCursorFile.isEmpty() || pointer == Hand)
            return;
        busyPointer = pointer;
        pointer = Hand;
    }

    // Over the window's background, the folder box, the file list or the pattern box.
    void reset() { pointer = scanStopped ? Default : busyPointer; }

private:
    const QString &m_handCursorFile;
};
