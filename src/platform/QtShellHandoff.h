#pragma once

#include "platform/ShellHandoff.h"

class QtShellHandoff final : public ShellHandoff
{
public:
    bool openFile(const QString &path) override;
    bool openWebAddress(const QString &address) override;
    bool openFolder(const QString &folder) override;
};
