#pragma once

#include "platform/MessageBoxes.h"

class QtMessageBoxes final : public MessageBoxes
{
public:
    void show(QWidget *owner, MessageIcon icon, const QString &title, const QString &text) override;
};
