#pragma once

#include <QString>

class QWidget;

// The desktop's modal folder chooser. Returns the chosen folder's path, or "" when the
// user cancels.
class FolderPicker
{
public:
    virtual ~FolderPicker() = default;
    virtual QString pickFolder(QWidget *owner, const QString &title) = 0;
};
