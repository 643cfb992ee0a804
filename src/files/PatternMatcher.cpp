#include "files/PatternMatcher.h"

#include <QVarLengthArray>

namespace {

// Code points of a text; a lone surrogate stays one character of its own, so odd names still
// match "?" character for character instead of failing to decode.
template<typename Container>
void appendCodePoints(QStringView text, Container &out)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = text[i].unicode();
        if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(text[i + 1].unicode())) {
            out.push_back(QChar::surrogateToUcs4(unit, text[i + 1].unicode()));
            ++i;
        } else {
            out.push_back(char32_t(unit));
        }
    }
}

bool isAscii(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// Pattern and name go through the very same lower-casing call: Qt's in-place and copying
// variants treat a lone surrogate differently, and a text must always match itself.
QString lowered(QStringView text)
{
    const QString copy = text.toString();
    return copy.toLower();
}

} // namespace

PatternMatcher::PatternMatcher(const QString &pattern)
{
    std::vector<char32_t> text;
    appendCodePoints(QStringView(lowered(pattern)), text);

    std::size_t pos = 0;
    while (pos < text.size()) {
        const char32_t c = text[pos];
        switch (c) {
        case U'?':
            m_elements.push_back({Kind::AnyChar});
            ++pos;
            break;
        case U'#':
            m_elements.push_back({Kind::Digit});
            ++pos;
            break;
        case U'*':
            // A run of stars means the same as one star.
            if (m_elements.empty() || m_elements.back().kind != Kind::Star)
                m_elements.push_back({Kind::Star});
            ++pos;
            break;
        case U'[':
            ++pos;
            if (!parseList(text, pos)) {
                m_wellFormed = false;
                m_elements.clear();
                m_sets.clear();
                return;
            }
            break;
        default:
            m_elements.push_back({Kind::Literal, c});
            ++pos;
            break;
        }
    }
}

// Parses the list after a "[" up to and including its "]". Returns false for an unclosed list
// or a descending range.
bool PatternMatcher::parseList(const std::vector<char32_t> &pattern, std::size_t &pos)
{
    CharSet set;
    if (pos < pattern.size() && pattern[pos] == U'!') {
        set.negated = true;
        ++pos;
    }
    for (;;) {
        if (pos >= pattern.size())
            return false;
        const char32_t c = pattern[pos];
        if (c == U']') {
            ++pos;
            break;
        }
        // A range needs a character on both sides of the "-"; a "-" right before "]" is the
        // last item and stands for itself, as does a leading one (it joins nothing before it).
        if (pos + 2 < pattern.size() && pattern[pos + 1] == U'-' && pattern[pos + 2] != U']') {
            const char32_t last = pattern[pos + 2];
            if (c > last)
                return false;
            set.ranges.push_back({c, last});
            pos += 3;
        } else {
            set.ranges.push_back({c, c});
            ++pos;
        }
    }

    // "[]" is the empty string: it adds no element at all.
    if (!set.negated && set.ranges.empty())
        return true;
    m_sets.push_back(std::move(set));
    m_elements.push_back({Kind::Set, 0, int(m_sets.size() - 1)});
    return true;
}

bool PatternMatcher::CharSet::matches(char32_t c) const
{
    bool inList = false;
    for (const CharRange &range : ranges) {
        if (c >= range.first && c <= range.last) {
            inList = true;
            break;
        }
    }
    return inList != negated;
}

bool PatternMatcher::elementMatches(const Element &element, char32_t c) const
{
    switch (element.kind) {
    case Kind::Literal: return c == element.literal;
    case Kind::AnyChar: return true;
    case Kind::Digit: return c >= U'0' && c <= U'9';
    case Kind::Set: return m_sets[std::size_t(element.setIndex)].matches(c);
    case Kind::Star: break;
    }
    return false;
}

// charAt(i) gives the lower-cased character i of the name.
template<typename CharAt>
bool PatternMatcher::matchesSequence(std::size_t length, CharAt charAt) const
{
    const std::size_t count = m_elements.size();
    std::size_t p = 0;
    std::size_t s = 0;
    // Where the last star stood, and how far into the name its run currently reaches. Since
    // every other element takes exactly one character, only that star ever needs to give up
    // more characters; earlier stars can keep what they took.
    std::size_t starElement = count;
    std::size_t starResume = 0;

    while (s < length) {
        if (p < count && m_elements[p].kind == Kind::Star) {
            starElement = p++;
            starResume = s;
        } else if (p < count && elementMatches(m_elements[p], charAt(s))) {
            ++p;
            ++s;
        } else if (starElement != count) {
            p = starElement + 1;
            s = ++starResume;
        } else {
            return false;
        }
    }
    while (p < count && m_elements[p].kind == Kind::Star)
        ++p;
    return p == count;
}

bool PatternMatcher::matches(QStringView name) const
{
    if (!m_wellFormed)
        return false;

    if (isAscii(name)) {
        // Same result as QString::toLower for ASCII, without building a new text per name.
        const QChar *units = name.data();
        return matchesSequence(std::size_t(name.size()), [units](std::size_t i) {
            const char16_t unit = units[i].unicode();
            return unit >= u'A' && unit <= u'Z' ? char32_t(unit + 32) : char32_t(unit);
        });
    }
    // Lower-case the whole text: some characters change length when lower-cased.
    QVarLengthArray<char32_t, 256> codePoints;
    appendCodePoints(QStringView(lowered(name)), codePoints);
    return matchesSequence(std::size_t(codePoints.size()), [&codePoints](std::size_t i) { return codePoints[qsizetype(i)]; });
}

bool PatternMatcher::match(const QString &name, const QString &pattern)
{
    return PatternMatcher(pattern).matches(name);
}
