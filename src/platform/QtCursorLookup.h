#pragma once

#include "platform/CursorLookup.h"

// Looks the hand cursor up in the cursor themes of the XDG data folders.
class QtCursorLookup final : public CursorLookup
{
public:
    QString themesFolder() const override;
    QString findHandCursor(const QString &themesFolder) const override;
    bool loadCursor(const QString &path) const override;
};
