#pragma once

#include "platform/FolderPicker.h"

class QtFolderPicker final : public FolderPicker
{
public:
    QString pickFolder(QWidget *owner, const QString &title) override;
};
