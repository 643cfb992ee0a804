#pragma once

#include <QByteArray>
#include <QCollator>
#include <QLocale>
#include <QStringList>

#include <array>
#include <vector>

// The order in which Linux file managers show names: letter case ignored, runs of digits
// compared as numbers ("img2" before "img10"), everything else by the locale's collation.
// Names that this still leaves equal ("a.jpg" and "A.jpg", "p5" and "p05") are ordered by their
// code units, so that two different names never tie and the order does not depend on the order
// the names came in.
//
// Each name's key is computed once and keys are compared as bytes; a collator comparison per
// pair of names would cost several times more on a large folder. Even the collator's own keys
// cost more than the rest of a folder scan, so names of printable ASCII, by far the most
// common, get keys built here from the collation's order of those characters, where the
// collation orders them one by one (no contractions such as Danish "aa" or Czech "ch"). Those
// keys give exactly the collator's order; every other name takes the collator's key.
//
// Once made, an order may be used from several threads at once.
class NaturalNameOrder
{
public:
    explicit NaturalNameOrder(const QLocale &locale = QLocale::system());

    // The positions of `names` in order: names[result[0]] comes first.
    std::vector<qsizetype> order(const QStringList &names) const;

private:
    bool appendPlainKey(const QString &name, QByteArray &keys) const;
    bool ordersAsciiOneByOne() const;

    QCollator m_collator;
    // Printable ASCII's places in the collation (1 and up, equal for characters it holds
    // equal, such as a letter's two cases); all 0 where names cannot be keyed here.
    std::array<quint8, 128> m_ranks{};
};
