#include "platform/LocalPath.h"

namespace {

constexpr char16_t EscapeBase = 0xDC00;

bool isEscapedByte(char16_t unit)
{
    return unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF;
}

bool isSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// Length of the valid UTF-8 sequence starting at `at` and its code point; 0 when the bytes
// there are not one (stray continuation, overlong form, surrogate, beyond U+10FFFF, cut short).
int validSequence(QByteArrayView bytes, qsizetype at, char32_t &codePoint)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    int length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, codePoint = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, codePoint = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, codePoint = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const unsigned char next = byte(at + i);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

namespace LocalPath {

QString decode(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes.data(), bytes.size());
    QString text;
    text.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        const int length = validSequence(bytes, at, codePoint);
        if (length == 0) {
            text.append(QChar(char16_t(EscapeBase + static_cast<unsigned char>(bytes[at]))));
            ++at;
            continue;
        }
        text.append(QChar::fromUcs4(codePoint));
        at += length;
    }
    return text;
}

QByteArray encode(QStringView path)
{
    bool plain = true;
    for (const QChar c : path) {
        if (isSurrogate(c.unicode())) {
            plain = false;
            break;
        }
    }
    if (plain)
        return path.toUtf8();
    QByteArray bytes;
    bytes.reserve(path.size() * 3);
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        if (isEscapedByte(unit)) {
            bytes.append(char(unit - EscapeBase));
            continue;
        }
        // A surrogate pair is one character; anything else (a lone surrogate no decoding
        // made) is encoded as Qt would, as U+FFFD.
        qsizetype length = 1;
        if (QChar::isHighSurrogate(unit) && i + 1 < path.size() && path[i + 1].isLowSurrogate())
            length = 2;
        bytes.append(path.mid(i, length).toUtf8());
        i += length - 1;
    }
    return bytes;
}

QString displayText(const QString &path)
{
    QString text = path;
    for (QChar &c : text) {
        if (isEscapedByte(c.unicode()) || c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

QUrl fileUrl(const QString &path)
{
    // "/" stays as it is; every other byte outside the unreserved set is percent-encoded, so
    // the URL carries the name's bytes whatever they are.
    return QUrl::fromEncoded("file://" + encode(path).toPercentEncoding("/"), QUrl::StrictMode);
}

QString fromFileUrl(const QUrl &url)
{
    if (!url.isLocalFile() || !url.host().isEmpty())
        return QString();
    return decode(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

} // namespace LocalPath
