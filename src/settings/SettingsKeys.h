#pragma once

#include <QString>

// Where the settings live (under HKEY_CURRENT_USER) and the names of the values of the
// settings record, in the letter case they are written in.
inline const QString MakerKeyPath = QStringLiteral("Software\\Tarrowby Consulting");
inline const QString AppKeyPath = QStringLiteral("Software\\Tarrowby Consulting\\Pictarra");

namespace SettingsValue {
inline const QString LastPath = QStringLiteral("LASTPATH");
inline const QString Top = QStringLiteral("Top");
inline const QString Left = QStringLiteral("Left");
inline const QString Height = QStringLiteral("Height");
inline const QString Width = QStringLiteral("Width");
inline const QString Folder = QStringLiteral("FOLDER");
inline const QString Display = QStringLiteral("DISPLAY");
inline const QString Picture = QStringLiteral("PICTURE");
inline const QString Order = QStringLiteral("ORDER");
inline const QString Scroll = QStringLiteral("SCROLL");
inline const QString Delay = QStringLiteral("DELAY");
inline const QString Pattern = QStringLiteral("PATTERN");
}
