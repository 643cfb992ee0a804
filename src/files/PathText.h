#pragma once

#include <QString>

// The folder path with leading and trailing blanks removed and a "/" at its end, ready to have
// a file name appended: "/pics" and "/pics/" give "/pics/", "" gives "/". Only blanks (spaces)
// are trimmed; tabs and newlines may be part of a name.
QString fnAddBackslash(const QString &path);
