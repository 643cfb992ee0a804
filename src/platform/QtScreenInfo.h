#pragma once

#include "platform/ScreenInfo.h"

class QtScreenInfo final : public ScreenInfo
{
public:
    QSize screenSize() const override;
    QRect screenGeometryOf(const QWidget *window) const override;
};
