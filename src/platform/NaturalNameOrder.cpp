#include "platform/NaturalNameOrder.h"

namespace {

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
    // The collator sets itself up on first use; do it now, so that copies and threads share a
    // finished one.
    m_collator.sortKey(QStringLiteral("0"));
}

QCollatorSortKey NaturalNameOrder::keyOf(const QString &name) const
{
    return m_collator.sortKey(name);
}

bool NaturalNameOrder::before(const QCollatorSortKey &aKey, const QString &a, const QCollatorSortKey &bKey,
                              const QString &b)
{
    const int order = aKey.compare(bKey);
    return order != 0 ? order < 0 : a < b;
}
