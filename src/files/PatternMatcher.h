#pragma once

#include <QString>
#include <QStringView>

#include <vector>

// One compiled file-name pattern of the wildcard language that Select Pattern, the folder scan
// ("*.*") and the preview's picture test share:
//
//   ?        any single character
//   *        any run of characters, including none
//   #        one digit 0-9
//   [list]   one character in the list; [!list] one character not in it
//   other    itself
//
// Inside a list: items are single characters or ranges "a-z" (bounds included, ascending);
// "-" is itself when it is the first item (after a leading "!") or the last one, and a "-"
// that joins nothing elsewhere is itself too; "!" means "not" only as the first character;
// "[", "?", "#" and "*" are themselves; "]" ends the list. "[]" is the empty string (it matches
// nothing and consumes no character). "[!]" is a negated empty list: nothing is excluded, so it
// matches any one character, like "?".
//
// Pattern and name are both lower-cased as whole texts (QString::toLower) and then compared
// code point by code point, so "?" matches one character even outside the BMP. A pattern with
// an unclosed "[" or a descending range is not well formed and matches nothing.
//
// Every element but "*" consumes exactly one character, which lets the matcher retry only from
// the last "*" on a mismatch: the worst case is O(len(name) x len(pattern)), whatever the
// pattern.
class PatternMatcher
{
public:
    explicit PatternMatcher(const QString &pattern);

    bool isWellFormed() const { return m_wellFormed; }
    bool matches(QStringView name) const;

    static bool match(const QString &name, const QString &pattern);

private:
    enum class Kind : unsigned char { Literal, AnyChar, Digit, Star, Set };

    struct Element
    {
        Kind kind;
        char32_t literal = 0;  // Literal
        int setIndex = -1;     // Set
    };

    struct CharRange
    {
        char32_t first;
        char32_t last;
    };

    struct CharSet
    {
        bool negated = false;
        std::vector<CharRange> ranges;
        bool matches(char32_t c) const;
    };

    bool parseList(const std::vector<char32_t> &pattern, std::size_t &pos);
    bool elementMatches(const Element &element, char32_t c) const;
    template<typename CharAt>
    bool matchesSequence(std::size_t length, CharAt charAt) const;

    std::vector<Element> m_elements;
    std::vector<CharSet> m_sets;
    bool m_wellFormed = true;
};
