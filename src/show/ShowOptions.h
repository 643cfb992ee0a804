#pragma once

// Where a show is shown, as the main window's DISPLAY option row offers it; the values are
// the ones the settings store keeps.
enum class DisplayKind { FullScreen = 0, Window = 1, WindowOnTop = 2 };
