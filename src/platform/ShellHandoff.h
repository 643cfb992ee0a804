#pragma once

#include <QString>

// Hand-offs to the desktop. Paths travel as one argument each and never through a shell.
// Each call returns true when the hand-off was made.
class ShellHandoff
{
public:
    virtual ~ShellHandoff() = default;
    virtual bool openFile(const QString &path) = 0;
    virtual bool openWebAddress(const QString &address) = 0;
    virtual bool openFolder(const QString &folder) = 0;
};
