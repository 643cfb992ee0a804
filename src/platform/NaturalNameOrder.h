#pragma once

#include <QCollator>
#include <QLocale>
#include <QString>

// The order in which Linux file managers show names: letter case ignored, runs of digits
// compared as numbers ("img2" before "img10"), everything else by the locale's collation.
// Names that this still leaves equal ("a.jpg" and "A.jpg", "p5" and "p05") are ordered by their
// code units, so that two different names never tie and the order does not depend on the order
// the names came in.
//
// Each name's key is computed once and keys are compared as bytes: a collator comparison per
// pair of names would cost several times more on a large folder. Once made, an order may be
// used from several threads at once.
class NaturalNameOrder
{
public:
    explicit NaturalNameOrder(const QLocale &locale = QLocale::system());

    // Where `name` falls in the order; compare keys with before().
    QCollatorSortKey keyOf(const QString &name) const;
    static bool before(const QCollatorSortKey &aKey, const QString &a, const QCollatorSortKey &bKey,
                       const QString &b);

private:
    QCollator m_collator;
};
