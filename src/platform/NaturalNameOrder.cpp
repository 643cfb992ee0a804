#include "platform/NaturalNameOrder.h"

#include <algorithm>
#include <numeric>
#include <string_view>

namespace {

constexpr char16_t FirstPrintable = 0x20;
constexpr char16_t LastPrintable = 0x7e;
// A digit run keyed here holds at most this many digits after its leading zeros.
constexpr qsizetype MaxDigits = 255;

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Qt's collator compares plainly by code units in the C locale, numbers and case included, so
// a desktop run with LANG=C would list "img10" before "img2" and "B" before "a". The common
// root collation, which English uses unchanged, stands in for it.
QLocale collationLocale(const QLocale &locale)
{
    return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
}

} // namespace

NaturalNameOrder::NaturalNameOrder(const QLocale &locale)
    : m_collator(collationLocale(locale))
{
    m_collator.setNumericMode(true);
    m_collator.setCaseSensitivity(Qt::CaseInsensitive);

    // Printable ASCII's places, each character as a name of its own. This also sets the
    // collator up, so that threads share a finished one.
    struct Single
    {
        QCollatorSortKey key;
        char16_t c;
    };
    std::vector<Single> singles;
    for (char16_t c = FirstPrintable; c <= LastPrintable; ++c)
        singles.push_back({m_collator.sortKey(QString(QChar(c))), c});
    std::stable_sort(singles.begin(), singles.end(),
                     [](const Single &a, const Single &b) { return a.key.compare(b.key) < 0; });
    const QCollatorSortKey nothing = m_collator.sortKey(QString());
    quint8 rank = 0;
    for (std::size_t i = 0; i < singles.size(); ++i) {
        // A character the collation ignores would leave no trace in a key built here.
        if (singles[i].key.compare(nothing) == 0) {
            m_ranks.fill(0);
            return;
        }
        if (i == 0 || singles[i - 1].key.compare(singles[i].key) != 0)
            ++rank;
        m_ranks[singles[i].c] = rank;
    }
    if (!ordersAsciiOneByOne())
        m_ranks.fill(0);
}

// Whether names of printable ASCII order as the sequences of their characters' places, digit
// runs aside. Checked on every pair of characters, which shows contractions and reorderings;
// those of more letters in the collations ICU knows begin with a pair that shows.
bool NaturalNameOrder::ordersAsciiOneByOne() const
{
    // Digits are told apart by their values alone: nothing else falls among them.
    const int zero = m_ranks[u'0'];
    for (char16_t c = FirstPrintable; c <= LastPrintable; ++c) {
        const bool amongDigits = m_ranks[c] >= zero && m_ranks[c] <= zero + 9;
        if (isDigit(c) ? m_ranks[c] != zero + (c - u'0') : amongDigits)
            return false;
    }
    struct Pair
    {
        QCollatorSortKey key;
        int places;
    };
    std::vector<Pair> pairs;
    for (char16_t first = FirstPrintable; first <= LastPrintable; ++first) {
        for (char16_t second = FirstPrintable; second <= LastPrintable; ++second) {
            if (isDigit(first) && isDigit(second))
                continue; // a number, keyed apart
            const QChar both[] = {QChar(first), QChar(second)};
            pairs.push_back({m_collator.sortKey(QString(both, 2)), m_ranks[first] * 256 + m_ranks[second]});
        }
    }
    std::sort(pairs.begin(), pairs.end(), [](const Pair &a, const Pair &b) {
        const int order = a.key.compare(b.key);
        return order != 0 ? order < 0 : a.places < b.places;
    });
    for (std::size_t i = 1; i < pairs.size(); ++i) {
        const bool sameKey = pairs[i - 1].key.compare(pairs[i].key) == 0;
        if (pairs[i - 1].places > pairs[i].places || sameKey != (pairs[i - 1].places == pairs[i].places))
            return false;
    }
    return true;
}

// The key of a name of printable ASCII: each character's place, and each run of digits as the
// digits' place, the count of its digits after any leading zeros, and those digits, so that a
// shorter number comes first. False, with `keys` to be dropped, for any other name.
bool NaturalNameOrder::appendPlainKey(const QString &name, QByteArray &keys) const
{
    const char16_t *at = reinterpret_cast<const char16_t *>(name.utf16());
    const char16_t *const end = at + name.size();
    while (at < end) {
        if (*at < FirstPrintable || *at > LastPrintable)
            return false;
        if (!isDigit(*at)) {
            keys.append(char(m_ranks[*at++]));
            continue;
        }
        while (at < end && *at == u'0')
            ++at;
        const char16_t *const digits = at;
        while (at < end && isDigit(*at))
            ++at;
        if (at - digits > MaxDigits)
            return false;
        keys.append(char(m_ranks[u'0'])).append(char(quint8(at - digits)));
        for (const char16_t *digit = digits; digit < at; ++digit)
            keys.append(char(*digit));
    }
    return true;
}

std::vector<qsizetype> NaturalNameOrder::order(const QStringList &names) const
{
    std::vector<qsizetype> positions(std::size_t(names.size()));
    std::iota(positions.begin(), positions.end(), qsizetype(0));
    if (names.size() < 2)
        return positions;

    bool plain = m_ranks[u'a'] != 0;
    QByteArray keys;
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    if (plain) {
        keys.reserve(names.size() * 16);
        spans.reserve(std::size_t(names.size()));
        for (const QString &name : names) {
            const qsizetype start = keys.size();
            if (!appendPlainKey(name, keys)) {
                plain = false;
                break;
            }
            spans.emplace_back(start, keys.size() - start);
        }
    }
    if (plain) {
        const char *const base = keys.constData();
        std::sort(positions.begin(), positions.end(), [&](qsizetype a, qsizetype b) {
            const std::string_view aKey(base + spans[a].first, spans[a].second);
            const std::string_view bKey(base + spans[b].first, spans[b].second);
            const int order = aKey.compare(bKey);
            return order != 0 ? order < 0 : names[a] < names[b];
        });
        return positions;
    }

    std::vector<QCollatorSortKey> collated;
    collated.reserve(std::size_t(names.size()));
    for (const QString &name : names)
        collated.push_back(m_collator.sortKey(name));
    std::sort(positions.begin(), positions.end(), [&](qsizetype a, qsizetype b) {
        const int order = collated[a].compare(collated[b]);
        return order != 0 ? order < 0 : names[a] < names[b];
    });
    return positions;
}
