#pragma once

#include <QString>

class FileList;

// The bulk selection operations on the file list: Select All, Select None, Select Pattern and
// Trim List. The main window wraps them in its own steps (disabling the pressed button, hiding
// the list, the busy pointer); these functions only change the list.
namespace FileSelection {

// The file-name part of a path: the text after its last "/", or the whole text without one.
QString fnGetFileName(const QString &path);

// Tick, or clear, every entry; the current entry is the same afterwards.
void selectAll(FileList &list);
void selectNone(FileList &list);

// Ticks exactly the entries whose file name matches the pattern and clears every other tick;
// the current entry is the same afterwards. Returns the number ticked. A pattern that is not
// well formed matches nothing, so it clears every tick and returns 0.
int selectPattern(FileList &list, const QString &pattern);

// The count line after Select Pattern, e.g. "5 selected" (plain digits, no grouping).
QString selectionCountText(int count);

// Removes every unticked entry; the ticked ones stay, in their order.
void trimList(FileList &list);

// The text of the pattern examples box, one "\n" after every line.
QString patternExamplesText();

} // namespace FileSelection
