#pragma once

#include <QVector>

#include <functional>

class FileList;

// The core of the show's shuffle. The draw is without replacement: while m entries remain,
// entry r = roundHalfEven(R * (m - 1)) of the remaining ones is drawn, R uniform in [0, 1).
// Because of the rounding the first and last remaining entries are drawn half as often as an
// inner one; that is how the show has always shuffled, and it is kept.

// The new order as indexes into the old list of n entries. A value of uniform01 outside
// [0, 1) is clamped into it, so a faulty generator can never yield an index out of range.
QVector<int> shuffledOrder(int n, const std::function<double()> &uniform01);

// Reorders the list in place. Each tick travels with its entry; afterwards the current entry
// is the last ticked entry of the new order (the list's rule while the entries are re-added),
// or none when nothing is ticked.
void fnRandomiseListCore(FileList &list, const std::function<double()> &uniform01);
