#pragma once

#include "settings/RegistryDocument.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The settings file's text: the registry export format, UTF-8, one line per key and value, so
// that a person can read and edit it:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_CURRENT_USER\Software\Tarrowby Consulting\Pictarra]
//   "LASTPATH"="/home/ann/Pictures"
//   "Top"=dword:00000b40
//   "ODD"=hex(2):25,00
//
// Text values use the escapes \\ and \"; numbers are eight hex digits, two's complement for
// negatives; every other kind of value is its type number and bytes, kept as they are. Blank
// lines, lines starting with ';' and CRLF line ends are accepted; anything else that does not
// follow the format makes the whole file unreadable rather than half-read.
namespace RegistryText {

inline constexpr char Header[] = "Windows Registry Editor Version 5.00";

// Empty input is an empty store. On failure returns nothing and, when asked, says where.
std::optional<RegistryDocument> parse(const QByteArray &text, QString *failure = nullptr);

// Writing and parsing again gives the same document.
QByteArray write(const RegistryDocument &document);

} // namespace RegistryText
