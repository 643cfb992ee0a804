// The picture colours: each is told from every other and from what the screen shows when no
// picture is up, whatever JPEG and scaling do to it within the tolerance.
#include "BenchPictures.h"

#include <QTest>

class tst_BenchPictures : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void noReadingFitsTwoColours()
    {
        const std::vector<Rgb> &colours = BenchPictures::colours();
        QVERIFY(int(colours.size()) >= BenchPictures::HeldPictures);
        for (std::size_t i = 0; i < colours.size(); ++i) {
            for (std::size_t j = i + 1; j < colours.size(); ++j)
                QVERIFY2(!colours[i].isNear(colours[j], 2 * BenchPictures::Tolerance + 1),
                         qPrintable(QStringLiteral("colours %1 and %2").arg(i).arg(j)));
        }
    }

    void greysAreNoPicture()
    {
        // Black (the show's background, an empty screen), white and window greys.
        for (int level = 0; level <= 255; ++level)
            QVERIFY2(!BenchPictures::isPictureColour({level, level, level}), qPrintable(QString::number(level)));
        QVERIFY(BenchPictures::isPictureColour(BenchPictures::colours().back()));
    }

    void heldPicturesAreKnownByTheirColour()
    {
        for (int i = 0; i < BenchPictures::HeldPictures; ++i) {
            Rgb seen = BenchPictures::colours()[std::size_t(i)];
            seen.r += BenchPictures::Tolerance;
            QCOMPARE(BenchPictures::heldNumberOf(seen), i + 1);
        }
        QCOMPARE(BenchPictures::heldNumberOf({0, 0, 0}), 0);
        // A picture colour past the held pictures is none of them.
        QCOMPARE(BenchPictures::heldNumberOf(BenchPictures::colours().back()), 0);
    }
};

QTEST_GUILESS_MAIN(tst_BenchPictures)
#include "tst_benchpictures.moc"
