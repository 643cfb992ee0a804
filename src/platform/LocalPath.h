#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <QUrl>

// File names on Linux are bytes; most are UTF-8, but not all. The program keeps paths as
// QString, so a name with bytes that are not UTF-8 is decoded with each such byte b kept as
// the lone surrogate U+DC00 + b, and encoded back to exactly the same bytes. Valid UTF-8 never
// yields a lone surrogate, so the mapping is one to one. Every path that reaches the file
// system or the desktop goes through encode() or fileUrl(), never through Qt's own encoding,
// which would turn such a byte into another character and so name another file.
namespace LocalPath {

QString decode(QByteArrayView bytes);
QByteArray encode(QStringView path);

// The path for people to read on one line: each kept byte and each control character (a line
// break in a name, say) shows as U+FFFD.
QString displayText(const QString &path);

// A file: URL naming exactly the bytes of `path`, percent-encoded where needed.
QUrl fileUrl(const QString &path);
// The local path of a file: URL, byte for byte; empty for anything else.
QString fromFileUrl(const QUrl &url);

} // namespace LocalPath
