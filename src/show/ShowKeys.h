#pragma once

#include <optional>

// What a key does in a slide window. Each command is also a pop-up menu entry.
enum class ShowCommand {
    QuitToMenu,      // Q
    EscapeToMenu,    // Escape
    PauseOrResume,   // Space
    Previous,        // Left arrow
    Larger,          // Up arrow
    Next,            // Right arrow
    Smaller,         // Down arrow
    ActualSize,      // A
    EditOrPrint,     // E
    Minimise,        // M
    ExitProgram,     // X
    ZoomToFit,       // Z
};

struct ShowKeyBinding
{
    int key; // Qt::Key
    ShowCommand command;
};

// The slide window's keys, one row per key.
extern const ShowKeyBinding ShowKeyTable[12];

// The command bound to a Qt key code (Shift, Ctrl and Alt play no part: they are not in the
// key code), or nothing for a key the show ignores.
std::optional<ShowCommand> showCommandForKey(int key);
