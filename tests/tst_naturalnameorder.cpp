// Natural name order: names of printable ASCII, keyed without the collator, come out exactly as
// the collator orders them, in collations with contractions and other tailorings too; every
// other name takes the collator's order; names it holds equal fall to their code units.
#include "platform/NaturalNameOrder.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QtTest>

namespace {

QStringList inOrder(const NaturalNameOrder &order, const QStringList &names)
{
    QStringList sorted;
    for (const qsizetype position : order.order(names))
        sorted.append(names[position]);
    return sorted;
}

// Letters that take part in contractions and tailorings somewhere (Danish "aa", Czech "ch",
// Hungarian "cs" and "dz", Lithuanian "y", Turkish "I"), digits, blanks and punctuation.
QStringList randomNames(quint32 seed)
{
    static const QString alphabet = QStringLiteral("aAbBcCdDhHiIlLnNsSyYzZ0012345679  .-_#~()");
    QRandomGenerator random(seed);
    QStringList names;
    for (int i = 0; i < 3000; ++i) {
        QString name;
        for (int length = 1 + int(random.bounded(8u)); length > 0; --length)
            name += alphabet[int(random.bounded(quint32(alphabet.size())))];
        names.append(name);
    }
    names << QStringLiteral("a") + QString(255, u'1'); // the longest number keyed here
    names.removeDuplicates();
    return names;
}

} // namespace

class TestNaturalNameOrder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Names the collation holds equal fall to their code units, whatever order they come in.
    void tiesAndNothing()
    {
        QCOMPARE(inOrder(NaturalNameOrder(QLocale::c()), {"b", "B", "A", "a"}), QStringList({"A", "a", "B", "b"}));
        QVERIFY(NaturalNameOrder().order({}).empty());
    }

    void sameOrderAsTheCollator_data()
    {
        QTest::addColumn<QLocale>("locale");
        for (const char *name : {"en_US", "de_DE", "sv_SE", "da_DK", "cs_CZ", "hu_HU", "tr_TR", "lt_LT", "ja_JP"})
            QTest::newRow(name) << QLocale(QString::fromLatin1(name));
    }
    void sameOrderAsTheCollator()
    {
        QFETCH(QLocale, locale);
        QCollator collator(locale);
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        const auto collated = [&collator](const QString &a, const QString &b) {
            const int order = collator.compare(a, b);
            return order != 0 ? order < 0 : a < b;
        };
        const NaturalNameOrder order(locale);

        QStringList names = randomNames(20240611);
        QStringList expected = names;
        std::sort(expected.begin(), expected.end(), collated);
        QCOMPARE(inOrder(order, names), expected);

        // One name beyond ASCII, or with a number too long, puts the whole folder through the
        // collator.
        names << QStringLiteral("\u00e4pple") << QString(300, u'7') << QStringLiteral("a") + QString(256, u'1');
        expected = names;
        std::sort(expected.begin(), expected.end(), collated);
        QCOMPARE(inOrder(order, names), expected);
    }
};

QTEST_GUILESS_MAIN(TestNaturalNameOrder)
#include "tst_naturalnameorder.moc"
