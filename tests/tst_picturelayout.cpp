// The layout formulas for each sizing, half-to-even rounding, and the zoom steps with their limit.
#include "show/PictureLayout.h"

#include <QtTest>

#include <limits>

Q_DECLARE_METATYPE(PictureSizing)
Q_DECLARE_METATYPE(PictureGeometry)
Q_DECLARE_METATYPE(SlideFrame)

namespace {

PictureGeometry geometry(double left, double top, double width, double height)
{
    return PictureGeometry{left, top, width, height};
}

void compareGeometry(const PictureGeometry &actual, const PictureGeometry &expected)
{
    QCOMPARE(actual.left, expected.left);
    QCOMPARE(actual.top, expected.top);
    QCOMPARE(actual.width, expected.width);
    QCOMPARE(actual.height, expected.height);
}

} // namespace

class TestPictureLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout_data()
    {
        QTest::addColumn<PictureSizing>("sizing");
        QTest::addColumn<SlideFrame>("frame");
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<PictureGeometry>("expected");

        const auto expand = PictureSizing::ExpandWithoutDistorting;
        const auto stretch = PictureSizing::StretchToFit;
        const auto actual = PictureSizing::ActualSize;
        const SlideFrame window{9000, 6000, 0, true}, windowBar{9000, 6000, 255, true};
        const SlideFrame screen{9000, 6000, 0, false}, screenBar{9000, 6000, 255, false};
        const QSize landscape(4000, 3000), portrait(3000, 4000);

        // r = 8880 / 4000 = 2.22; cut off at top and bottom.
        QTest::newRow("expand landscape") << expand << window << landscape << geometry(0, -570, 8880, 6660);
        // top = (6000 - 6660 - 480 - 255) / 2 = -697.5, to the even neighbour.
        QTest::newRow("expand landscape, bar") << expand << windowBar << landscape << geometry(0, -698, 8880, 6660);
        // r = 5520 / 4000 = 1.38; centred across.
        QTest::newRow("expand portrait") << expand << window << portrait << geometry(2370, 0, 4140, 5520);
        // width 3948.75 -> 3949; left (9000 - 3949 - 120) / 2 = 2465.5 -> 2466.
        QTest::newRow("expand portrait, bar") << expand << windowBar << portrait << geometry(2466, 0, 3949, 5265);
        // Fitted to the height although the window is wider than high.
        QTest::newRow("square counts as portrait") << expand << window << QSize(3000, 3000) << geometry(1680, 0, 5520, 5520);
        // r = 5521 / 2048 exactly: width 2760.5 goes to 2760, then left (9000 - 2760 - 120) / 2.
        QTest::newRow("width half to even, down") << expand << SlideFrame{9000, 6001, 0, true} << QSize(1024, 2048)
                                                  << geometry(3060, 0, 2760, 5521);
        QTest::newRow("width half to even, up") << expand << SlideFrame{9000, 6003, 0, true} << QSize(1024, 2048)
                                                << geometry(3059, 0, 2762, 5523);
        QTest::newRow("picture without pixels") << expand << window << QSize(0, 0) << geometry(0, 0, 0, 0);
        QTest::newRow("actual size, half twip kept") << actual << SlideFrame{9001, 6000, 0, true} << landscape
                                                     << geometry(2440.5, 1260, 4000, 3000);
        QTest::newRow("actual size larger than window") << actual << windowBar << QSize(12001, 9001)
                                                        << geometry(-1560.5, -1868, 12001, 9001);
        QTest::newRow("stretch") << stretch << windowBar << landscape << geometry(0, 0, 8880, 5265);

        // The full-screen window uses W and H where the bordered one allows for its frame.
        QTest::newRow("full screen expand landscape") << expand << screen << landscape << geometry(0, -375, 9000, 6750);
        // width 4308.75 -> 4309; left (9000 - 4309) / 2 = 2345.5 -> 2346.
        QTest::newRow("full screen expand portrait, bar") << expand << screenBar << portrait << geometry(2346, 0, 4309, 5745);
        QTest::newRow("full screen actual size, bar") << actual << screenBar << landscape << geometry(2500, 1372.5, 4000, 3000);
        QTest::newRow("full screen stretch, bar") << stretch << screenBar << landscape << geometry(0, 0, 9000, 5745);

        // Screens past 2,184 pixels give values beyond 16 bits: laid out all the same.
        QTest::newRow("4K landscape") << expand << SlideFrame{57600, 32400, 0, false} << QSize(90000, 60000)
                                      << geometry(0, -3000, 57600, 38400);
        QTest::newRow("8K portrait") << expand << SlideFrame{115200, 64800, 0, false} << QSize(60000, 90000)
                                     << geometry(36000, 0, 43200, 64800);
        QTest::newRow("4K bordered actual size") << actual << SlideFrame{57600, 32400, 0, true} << QSize(120000, 90000)
                                                 << geometry(-31260, -29040, 120000, 90000);
    }

    void layout()
    {
        QFETCH(PictureSizing, sizing);
        QFETCH(SlideFrame, frame);
        QFETCH(QSize, picture);
        QFETCH(PictureGeometry, expected);
        compareGeometry(fnLayoutPicture(sizing, frame, picture.width(), picture.height()), expected);
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("expected");

        QTest::newRow("0.5") << 0.5 << qint64(0);
        QTest::newRow("1.5") << 1.5 << qint64(2);
        QTest::newRow("2.5") << 2.5 << qint64(2);
        QTest::newRow("-0.5") << -0.5 << qint64(0);
        QTest::newRow("-1.5") << -1.5 << qint64(-2);
        QTest::newRow("-2.5") << -2.5 << qint64(-2);
        QTest::newRow("just below half") << 2.4999999 << qint64(2);
        QTest::newRow("just above half") << 2.5000001 << qint64(3);
        QTest::newRow("negative above half") << -2.5000001 << qint64(-3);
        QTest::newRow("beyond 32 bits") << 4294967296.5 << qint64(4294967296);
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << qint64(0);
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << std::numeric_limits<qint64>::max();
    }

    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(qint64, expected);
        QCOMPARE(::roundHalfEven(value), expected);
    }

    void zoomLargerSteps_data()
    {
        QTest::addColumn<PictureGeometry>("before");
        QTest::addColumn<PictureGeometry>("after");

        QTest::newRow("a fifth larger around the centre") << geometry(100, 200, 1000, 500)
                                                          << geometry(0, 150, 1200, 600);
        // dh = 2.5 -> 2 and dw = 1.5 -> 2: the edges move by whole twips, halves to even.
        QTest::newRow("halves to even") << geometry(0, 0, 15, 25) << geometry(-2, -2, 18, 30);
        QTest::newRow("3.5 rounds up") << geometry(0, 0, 35, 35) << geometry(-4, -4, 42, 42);
        QTest::newRow("negative position") << geometry(-570, -698, 8880, 6660) << geometry(-1458, -1364, 10656, 7992);
    }

    void zoomLargerSteps()
    {
        QFETCH(PictureGeometry, before);
        QFETCH(PictureGeometry, after);
        PictureGeometry g = before;
        QVERIFY(zoomLarger(g));
        compareGeometry(g, after);
    }

    void zoomLargerLimit_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<bool>("enlarges");

        QTest::newRow("150000 high") << 1000.0 << 150000.0 << true;
        QTest::newRow("exactly at the limit") << 196600.0 << 196600.0 << true;
        QTest::newRow("just above, high") << 1000.0 << 196600.5 << false;
        QTest::newRow("just above, wide") << 196601.0 << 1000.0 << false;
        QTest::newRow("far above") << 300000.0 << 250000.0 << false;
    }

    void zoomLargerLimit()
    {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(bool, enlarges);

        const PictureGeometry before = geometry(-10, -20, width, height);
        PictureGeometry g = before;
        QCOMPARE(zoomLarger(g), enlarges);
        if (enlarges) {
            QCOMPARE(g.height, height * 1.2);
            QCOMPARE(g.width, width * 1.2);
        } else {
            compareGeometry(g, before);
        }
    }

    void zoomSmallerStepsHaveNoLimit()
    {
        PictureGeometry g = geometry(100, 200, 1000, 500);
        zoomSmaller(g);
        compareGeometry(g, geometry(200, 250, 800, 400));

        // Far beyond the enlarging limit, Smaller still acts.
        g = geometry(0, 0, 400000, 300000);
        zoomSmaller(g);
        compareGeometry(g, geometry(40000, 30000, 320000, 240000));

        // Nor a lower one: it shrinks on towards nothing.
        g = geometry(0, 0, 8880, 6660);
        for (int step = 0; step < 200; ++step)
            zoomSmaller(g);
        QVERIFY(g.width > 0 && g.width < 1e-10);
        QVERIFY(g.height > 0 && g.height < 1e-10);
        // Once the steps round to nothing, the picture stops moving.
        const PictureGeometry settled = g;
        zoomSmaller(g);
        QCOMPARE(g.left, settled.left);
        QCOMPARE(g.top, settled.top);
    }

    void zoomToTheLimitAndBack()
    {
        SlideFrame frame;
        frame.outerWidth = 28800;
        frame.outerHeight = 16200;
        frame.bordered = false;
        const PictureGeometry laidOut = fnLayoutPicture(PictureSizing::ExpandWithoutDistorting, frame, 90000, 60000);
        const double centreX = laidOut.left + laidOut.width / 2;
        const double centreY = laidOut.top + laidOut.height / 2;

        PictureGeometry g = laidOut;
        int steps = 0;
        while (zoomLarger(g))
            ++steps;
        // 28800 x 1.2^10 is still within the limit, so an eleventh step takes it beyond.
        QCOMPARE(steps, 11);
        QVERIFY(g.width > MaxZoomTwips);
        QVERIFY(g.width <= MaxZoomTwips * 1.2);
        QVERIFY(!zoomLarger(g));

        for (int step = 0; step < steps; ++step)
            zoomSmaller(g);
        // Smaller undoes Larger only to within the factors and rounding: 1.2 x 0.8 is not 1.
        QVERIFY(g.width < laidOut.width);
        QVERIFY(qAbs(g.left + g.width / 2 - centreX) < 15);
        QVERIFY(qAbs(g.top + g.height / 2 - centreY) < 15);
    }

};


QTEST_APPLESS_MAIN(TestPictureLayout)
#include "tst_picturelayout.moc"
