// libFuzzer target for PatternMatcher: every input is a pattern and a file name, matched by the
// real matcher and by the slow, obviously right reference matcher below; any disagreement
// aborts. The real matcher also runs on inputs too long for the reference, so that a pattern
// that makes it slow shows up as a libFuzzer timeout.
//
// Input: the pattern, a line break, the name. Without a line break the pattern's own text is
// the name. Bytes are read as UTF-8 where they form a sequence; any other byte stands for one
// character of OddCharacters, so short inputs reach the characters whose lower-casing is unusual.
//
// The texts never hold a lone surrogate: the program cannot get one (file names and the stored
// pattern are decoded from UTF-8, which gives whole characters), and Qt 6.4's QString::toLower
// turns one into U+FFFD on some paths and not on others, so the same text can lower-case to two
// different results.

#include "files/PatternMatcher.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Longer inputs are only matched by the real matcher (the reference is quadratic in memory).
constexpr std::size_t ReferenceLimit = 256;

const char32_t OddCharacters[] = {
    U'\n', U'\0', U'\t', U' ', U'\x7f', U'\x80', U'\xa0', U'\xff',
    U'\u0130',      // İ: lower-cases to two characters, "i" and a combining dot
    U'\u0131',      // ı: dotless i, stays itself
    U'\u212a',      // Kelvin sign: lower-cases to ASCII "k"
    U'\u212b',      // Angstrom sign: lower-cases to "å"
    U'\u03a3',      // Σ: lower-cases to σ (ς only at a word's end in full case mapping)
    U'\u03c2',      // ς
    U'\u1e9e',      // capital sharp s: lower-cases to ß
    U'\u00df',      // ß
    U'\u01c5',      // ǅ: title case, lower-cases to ǆ
    U'\u0663',      // Arabic-Indic three: a digit, but not one of "#"
    U'\uff11',      // full-width one
    U'\u00c9', U'\u00e9', U'\u00c0', U'\u00de',
    U'\uffff', U'\ufffd', U'\ufeff',
    U'\U00010000', U'\U00010400',  // Deseret capital: lower-cases to U+10428 outside the BMP
    U'\U00010428', U'\U0001f600', U'\U0001f64f', U'\U0010ffff',
    U'A', U'Z', U'[', U']', U'!', U'-', U'*', U'?', U'#',
};
constexpr std::size_t OddCount = sizeof(OddCharacters) / sizeof(OddCharacters[0]);

void appendCodePoint(QString &text, char32_t c)
{
    if (c >= 0x10000) {
        text.append(QChar(QChar::highSurrogate(c)));
        text.append(QChar(QChar::lowSurrogate(c)));
    } else {
        text.append(QChar(char16_t(c)));
    }
}

QString decode(const std::uint8_t *data, std::size_t size)
{
    QString text;
    std::size_t i = 0;
    while (i < size) {
        const std::uint8_t lead = data[i];
        if (lead < 0x80) {
            text.append(QChar(char16_t(lead)));
            ++i;
            continue;
        }
        const std::size_t length = lead >= 0xf5 ? 0 : lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc2 ? 2 : 0;
        char32_t c = length == 4 ? lead & 0x07u : length == 3 ? lead & 0x0fu : lead & 0x1fu;
        bool sequence = length != 0 && i + length <= size;
        for (std::size_t k = 1; sequence && k < length; ++k) {
            sequence = (data[i + k] & 0xc0) == 0x80;
            c = (c << 6) | (data[i + k] & 0x3fu);
        }
        const bool surrogate = c >= 0xd800 && c <= 0xdfff;
        if (sequence && !surrogate && c <= 0x10ffff && c >= (length == 4 ? 0x10000u : length == 3 ? 0x800u : 0x80u)) {
            appendCodePoint(text, c);
            i += length;
        } else {
            appendCodePoint(text, OddCharacters[(lead - 0x80) % OddCount]);
            ++i;
        }
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// The reference: the rules of the pattern language read as plainly as possible, with none of the
// real matcher's shortcuts (no ASCII path, no star merging, no single-star backtracking).

struct Range
{
    char32_t low;
    char32_t high;
};

struct Token
{
    enum Kind { Literal, Any, Digit, Star, List };
    explicit Token(Kind k, char32_t c = 0) : kind(k), literal(c) {}

    Kind kind;
    char32_t literal;
    bool negated = false;
    std::vector<Range> ranges;
};

// The text after QString::toLower, as code points.
std::vector<char32_t> lowerCodePoints(const QString &text)
{
    const QString lower = text.toLower();
    std::vector<char32_t> out;
    for (qsizetype i = 0; i < lower.size(); ++i) {
        const char16_t unit = lower.at(i).unicode();
        const bool pair = unit >= 0xd800 && unit <= 0xdbff && i + 1 < lower.size()
                          && lower.at(i + 1).unicode() >= 0xdc00 && lower.at(i + 1).unicode() <= 0xdfff;
        if (pair) {
            out.push_back(0x10000 + ((char32_t(unit) - 0xd800) << 10) + (lower.at(i + 1).unicode() - 0xdc00));
            ++i;
        } else {
            out.push_back(unit);
        }
    }
    return out;
}

// The tokens of a pattern, or nothing when it is not well formed (an unclosed "[" or a
// descending range). "[]" gives no token: it is the empty string.
std::optional<std::vector<Token>> referenceTokens(const std::vector<char32_t> &pattern)
{
    std::vector<Token> tokens;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char32_t c = pattern[i];
        if (c == U'?') {
            tokens.emplace_back(Token::Any);
        } else if (c == U'#') {
            tokens.emplace_back(Token::Digit);
        } else if (c == U'*') {
            tokens.emplace_back(Token::Star);
        } else if (c != U'[') {
            tokens.emplace_back(Token::Literal, c);
        } else {
            // The list is everything up to the first "]"; nothing inside it can hide a "]".
            std::size_t close = i + 1;
            while (close < pattern.size() && pattern[close] != U']')
                ++close;
            if (close == pattern.size())
                return std::nullopt;
            std::vector<char32_t> list(pattern.begin() + std::ptrdiff_t(i) + 1,
                                       pattern.begin() + std::ptrdiff_t(close));
            i = close;
            Token token(Token::List);
            std::size_t k = 0;
            if (!list.empty() && list[0] == U'!') {
                token.negated = true;
                k = 1;
            }
            if (!token.negated && list.empty())
                continue;
            // Items from the left: "x-y" is a range when a character follows the "-" inside
            // the list; otherwise every character (a first or last "-" too) is itself.
            while (k < list.size()) {
                if (k + 2 < list.size() && list[k + 1] == U'-') {
                    if (list[k] > list[k + 2])
                        return std::nullopt;
                    token.ranges.push_back({list[k], list[k + 2]});
                    k += 3;
                } else {
                    token.ranges.push_back({list[k], list[k]});
                    k += 1;
                }
            }
            tokens.push_back(std::move(token));
        }
    }
    return tokens;
}

bool tokenTakes(const Token &token, char32_t c)
{
    switch (token.kind) {
    case Token::Literal: return c == token.literal;
    case Token::Any: return true;
    case Token::Digit: return c >= U'0' && c <= U'9';
    case Token::List: {
        bool listed = false;
        for (const Range &range : token.ranges)
            listed = listed || (range.low <= c && c <= range.high);
        return listed != token.negated;
    }
    case Token::Star: break;
    }
    return false;
}

// Backtracking over every way the stars can split the name, remembering the places already
// found not to match so that many stars stay polynomial.
class ReferenceMatch
{
public:
    ReferenceMatch(const std::vector<Token> &tokens, const std::vector<char32_t> &name)
        : m_tokens(tokens), m_name(name), m_failed((tokens.size() + 1) * (name.size() + 1), false)
    {
    }

    bool from(std::size_t t, std::size_t n)
    {
        if (t == m_tokens.size())
            return n == m_name.size();
        std::vector<bool>::reference failed = m_failed[t * (m_name.size() + 1) + n];
        if (failed)
            return false;
        bool matched;
        if (m_tokens[t].kind == Token::Star)
            matched = from(t + 1, n) || (n < m_name.size() && from(t, n + 1));
        else
            matched = n < m_name.size() && tokenTakes(m_tokens[t], m_name[n]) && from(t + 1, n + 1);
        failed = !matched;
        return matched;
    }

private:
    const std::vector<Token> &m_tokens;
    const std::vector<char32_t> &m_name;
    std::vector<bool> m_failed;
};

// UTF-16 units in hex: the texts may hold line breaks, NULs and invisible characters.
QByteArray units(const QString &text)
{
    QByteArray out;
    for (QChar c : text)
        out += QByteArray::number(c.unicode(), 16) + ' ';
    return out;
}

[[noreturn]] void mismatch(const char *what, const QString &pattern, const QString &name, bool real, bool expected)
{
    std::fprintf(stderr,
                 "fuzz_pattern: %s\n  pattern \"%s\" (%s)\n  name    \"%s\" (%s)\n"
                 "  PatternMatcher says %s, the reference %s\n",
                 what, qPrintable(pattern), units(pattern).constData(), qPrintable(name), units(name).constData(),
                 real ? "true" : "false", expected ? "true" : "false");
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::size_t split = 0;
    while (split < size && data[split] != '\n')
        ++split;
    const QString pattern = decode(data, split);
    const QString name = split < size ? decode(data + split + 1, size - split - 1) : pattern;

    // The name in a buffer of exactly its size, so that AddressSanitizer sees any read past it.
    const std::unique_ptr<QChar[]> exact(new QChar[std::size_t(name.size())]);
    std::copy(name.cbegin(), name.cend(), exact.get());
    const QStringView nameView(exact.get(), name.size());

    const PatternMatcher matcher(pattern);
    const bool matched = matcher.matches(nameView);
    if (PatternMatcher::match(name, pattern) != matched)
        mismatch("match() and matches() disagree", pattern, name, matched, !matched);

    const std::vector<char32_t> patternPoints = lowerCodePoints(pattern);
    const std::vector<char32_t> namePoints = lowerCodePoints(name);
    if (patternPoints.size() > ReferenceLimit || namePoints.size() > ReferenceLimit)
        return 0;

    const std::optional<std::vector<Token>> tokens = referenceTokens(patternPoints);
    if (matcher.isWellFormed() != tokens.has_value())
        mismatch("well-formedness differs", pattern, name, matcher.isWellFormed(), tokens.has_value());
    const bool expected = tokens && ReferenceMatch(*tokens, namePoints).from(0, 0);
    if (matched != expected)
        mismatch("match result differs", pattern, name, matched, expected);
    return 0;
}
