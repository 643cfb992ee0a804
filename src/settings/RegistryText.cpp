#include "settings/RegistryText.h"

#include "settings/RegistryCodes.h"

#include <QStringList>
#include <QUtf8StringView>
#include <QtEndian>

#include <algorithm>

namespace {

const QString RootName = QStringLiteral("HKEY_CURRENT_USER");
const QByteArray ByteOrderMark("\xEF\xBB\xBF");
// Long binary values wrap like a registry export does, so lines stay readable.
constexpr qsizetype WrapColumn = 76;

bool isControl(char16_t c)
{
    return (c < 0x20 && c != u'\t') || c == 0x7f;
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool isHexNumber(QStringView digits, qsizetype minimum, qsizetype maximum)
{
    return digits.size() >= minimum && digits.size() <= maximum
           && std::all_of(digits.begin(), digits.end(), isHexDigit);
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

class Parser
{
public:
    explicit Parser(const QString &text)
    {
        m_lines = text.split(QLatin1Char('\n'));
        if (m_lines.last().isEmpty())
            m_lines.removeLast();  // the final line end
        for (QString &line : m_lines) {
            if (line.endsWith(QLatin1Char('\r')))
                line.chop(1);
        }
    }

    std::optional<RegistryDocument> run()
    {
        bool headerSeen = false;
        for (m_index = 0; m_index < m_lines.size(); ++m_index) {
            const std::optional<QString> line = contentLine(m_index);
            if (!line)
                return std::nullopt;
            if (line->isEmpty() || line->startsWith(QLatin1Char(';')))
                continue;
            if (!headerSeen) {
                if (*line != QLatin1String(RegistryText::Header))
                    return fail(QStringLiteral("the first line is not \"%1\"").arg(QLatin1String(RegistryText::Header)));
                headerSeen = true;
            } else if (line->startsWith(QLatin1Char('['))) {
                if (!parseKeyLine(*line))
                    return std::nullopt;
            } else if (!m_key) {
                return fail(QStringLiteral("a value before any key line"));
            } else if (!parseValueLine(*line)) {
                return std::nullopt;
            }
        }
        if (!headerSeen)
            return fail(QStringLiteral("no header line"));
        return m_document;
    }

    QString failure() const { return m_failure; }

private:
    std::nullopt_t fail(const QString &why)
    {
        m_failure = QStringLiteral("line %1: %2").arg(m_index + 1).arg(why);
        return std::nullopt;
    }

    // The line without surrounding white space; nothing when it holds a control character
    // (binary junk never passes as text).
    std::optional<QString> contentLine(qsizetype index)
    {
        const QString &line = m_lines.at(index);
        if (std::any_of(line.cbegin(), line.cend(), [](QChar c) { return isControl(c.unicode()); })) {
            fail(QStringLiteral("a control character"));
            return std::nullopt;
        }
        return line.trimmed();
    }

    bool parseKeyLine(const QString &line)
    {
        if (!line.endsWith(QLatin1Char(']')) || line.size() < 2) {
            fail(QStringLiteral("a key line without its closing ']'"));
            return false;
        }
        const QString inner = line.mid(1, line.size() - 2);
        const qsizetype separator = inner.indexOf(QLatin1Char('\\'));
        const QString root = separator < 0 ? inner : inner.left(separator);
        const QString path = separator < 0 ? QString() : inner.mid(separator + 1);
        if (root.compare(RootName, Qt::CaseInsensitive) != 0) {
            fail(QStringLiteral("a key outside HKEY_CURRENT_USER"));
            return false;
        }
        if ((separator >= 0 && path.isEmpty()) || !RegistryDocument::isValidKeyPath(path)) {
            fail(QStringLiteral("an empty or unusable key name"));
            return false;
        }
        m_document.addKey(path);
        m_key = path;
        return true;
    }

    // A name or text in quotation marks starting at `pos`, with the escapes \\ and \".
    std::optional<QString> quoted(QStringView line, qsizetype &pos)
    {
        QString text;
        for (++pos; pos < line.size(); ++pos) {
            const QChar c = line.at(pos);
            if (c == u'"') {
                ++pos;
                return text;
            }
            if (c == u'\\') {
                if (pos + 1 >= line.size() || (line.at(pos + 1) != u'\\' && line.at(pos + 1) != u'"'))
                    break;
                ++pos;
            }
            text.append(line.at(pos));
        }
        fail(QStringLiteral("an unfinished or badly escaped quoted text"));
        return std::nullopt;
    }

    bool parseValueLine(const QString &line)
    {
        qsizetype pos = 0;
        QString name;
        if (line.startsWith(QLatin1Char('@'))) {
            pos = 1;
        } else if (line.startsWith(QLatin1Char('"'))) {
            const std::optional<QString> quotedName = quoted(line, pos);
            if (!quotedName)
                return false;
            name = *quotedName;
        } else {
            fail(QStringLiteral("neither a key line nor a value line"));
            return false;
        }
        if (!RegistryDocument::isValidValueName(name)) {
            fail(QStringLiteral("a control character in a value name"));
            return false;
        }
        while (pos < line.size() && isBlank(line.at(pos)))
            ++pos;
        if (pos >= line.size() || line.at(pos) != u'=') {
            fail(QStringLiteral("a value name without '='"));
            return false;
        }
        ++pos;
        while (pos < line.size() && isBlank(line.at(pos)))
            ++pos;
        const QStringView data = QStringView(line).mid(pos);

        if (data.startsWith(u'"')) {
            const std::optional<QString> text = quoted(line, pos);
            if (!text)
                return false;
            if (pos != line.size()) {
                fail(QStringLiteral("text after the closing quotation mark"));
                return false;
            }
            m_document.setValue(*m_key, name, RegValueType::Text, text->toUtf8().append('\0'));
            return true;
        }
        if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
            const QStringView digits = data.mid(6);
            if (!isHexNumber(digits, 8, 8)) {
                fail(QStringLiteral("a number that is not eight hex digits"));
                return false;
            }
            QByteArray bytes(4, '\0');
            qToLittleEndian<quint32>(digits.toUInt(nullptr, 16), bytes.data());
            m_document.setValue(*m_key, name, RegValueType::Dword, bytes);
            return true;
        }
        if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive))
            return parseHexValue(name, data.mid(3));
        fail(QStringLiteral("an unknown kind of value"));
        return false;
    }

    // After "hex": "(N):bb,bb,..." or ":bb,bb,..." (REG_BINARY), possibly continued on the
    // following lines after a trailing '\'.
    bool parseHexValue(const QString &name, QStringView rest)
    {
        quint32 type = RegValueType::Binary;
        if (rest.startsWith(u'(')) {
            const qsizetype close = rest.indexOf(u')');
            const QStringView digits = close < 0 ? QStringView() : rest.mid(1, close - 1);
            if (!isHexNumber(digits, 1, 8)) {
                fail(QStringLiteral("a bad type number"));
                return false;
            }
            type = digits.toUInt(nullptr, 16);
            rest = rest.mid(close + 1);
        }
        if (!rest.startsWith(u':')) {
            fail(QStringLiteral("a value kind without ':'"));
            return false;
        }
        QString list = rest.mid(1).toString();
        while (list.endsWith(QLatin1Char('\\'))) {
            list.chop(1);
            if (m_index + 1 >= m_lines.size()) {
                fail(QStringLiteral("a continued value at the end of the file"));
                return false;
            }
            const std::optional<QString> next = contentLine(++m_index);
            if (!next)
                return false;
            list += *next;
        }
        QByteArray bytes;
        if (!list.isEmpty()) {
            const QStringList items = list.split(QLatin1Char(','));
            for (const QString &item : items) {
                if (!isHexNumber(item, 2, 2)) {
                    fail(QStringLiteral("a byte that is not two hex digits"));
                    return false;
                }
                bytes.append(char(item.toUInt(nullptr, 16)));
            }
        }
        m_document.setValue(*m_key, name, type, bytes);
        return true;
    }

    QStringList m_lines;
    qsizetype m_index = 0;
    RegistryDocument m_document;
    std::optional<QString> m_key;
    QString m_failure;
};

QByteArray escaped(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size() + 2);
    for (const char c : text) {
        if (c == '\\' || c == '"')
            out.append('\\');
        out.append(c);
    }
    return out;
}

// Text that can be written between quotation marks and reads back byte for byte: UTF-8
// without control characters, ending in its one NUL. Other text (a NUL inside, no final NUL,
// a line break from a folder name) is written as bytes instead.
bool isPlainText(const QByteArray &data)
{
    if (data.isEmpty() || data.back() != '\0')
        return false;
    const QByteArray text = data.chopped(1);
    return std::none_of(text.cbegin(), text.cend(), [](char c) { return isControl(uchar(c)); })
           && QUtf8StringView(text).isValidUtf8();
}

QByteArray nameField(const QString &name)
{
    return name.isEmpty() ? QByteArray("@") : '"' + escaped(name.toUtf8()) + '"';
}

QByteArray hexField(QByteArray line, const RegistryDocument::Value &value, QByteArray &out)
{
    line += value.type == RegValueType::Binary
                ? QByteArray("hex:")
                : "hex(" + QByteArray::number(value.type, 16) + "):";
    for (qsizetype i = 0; i < value.data.size(); ++i) {
        line += QByteArray(1, value.data.at(i)).toHex();
        if (i + 1 < value.data.size()) {
            line += ',';
            if (line.size() > WrapColumn) {
                out += line + "\\\n";
                line = "  ";
            }
        }
    }
    return line;
}

void writeValue(const RegistryDocument::Value &value, QByteArray &out)
{
    QByteArray line = nameField(value.name) + '=';
    if (value.type == RegValueType::Text && isPlainText(value.data)) {
        line += '"' + escaped(value.data.chopped(1)) + '"';
    } else if (value.type == RegValueType::Dword && value.data.size() == 4) {
        const quint32 number = qFromLittleEndian<quint32>(value.data.constData());
        line += "dword:" + QByteArray::number(number, 16).rightJustified(8, '0');
    } else {
        line = hexField(line, value, out);
    }
    out += line + '\n';
}

} // namespace

std::optional<RegistryDocument> RegistryText::parse(const QByteArray &text, QString *failure)
{
    if (text.isEmpty())
        return RegistryDocument();
    QByteArrayView bytes(text);
    if (bytes.startsWith(ByteOrderMark))
        bytes = bytes.sliced(ByteOrderMark.size());
    if (!QUtf8StringView(bytes).isValidUtf8()) {
        if (failure)
            *failure = QStringLiteral("the file is not UTF-8 text");
        return std::nullopt;
    }
    Parser parser(QString::fromUtf8(bytes));
    std::optional<RegistryDocument> document = parser.run();
    if (!document && failure)
        *failure = parser.failure();
    return document;
}

QByteArray RegistryText::write(const RegistryDocument &document)
{
    QByteArray out = QByteArray(Header) + "\n\n";
    for (const RegistryDocument::Key &key : document.keys()) {
        out += '[' + RootName.toUtf8();
        if (!key.path.isEmpty())
            out += '\\' + key.path.toUtf8();
        out += "]\n";
        for (const RegistryDocument::Value &value : key.values)
            writeValue(value, out);
        out += '\n';
    }
    return out;
}
