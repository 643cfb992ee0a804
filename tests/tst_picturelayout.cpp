#include "show/PictureLayout.h"

#include <QtTest>

#include <limits>

Q_DECLARE_METATYPE(PictureSizing)
Q_DECLARE_METATYPE(PictureGeometry)

class TestPictureLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layout_data();
    void layout();
    void roundHalfEven_data();
    void roundHalfEven();
    void zoomLargerSteps_data();
    void zoomLargerSteps();
    void zoomLargerLimit_data();
    void zoomLargerLimit();
    void zoomSmallerSteps();
    void zoomSmallerHasNoLowerLimit();
    void zoomToTheLimitAndBack();
};

namespace {

PictureGeometry geometry(double left, double top, double width, double height)
{
    PictureGeometry g;
    g.left = left;
    g.top = top;
    g.width = width;
    g.height = height;
    return g;
}

void compareGeometry(const PictureGeometry &actual, const PictureGeometry &expected)
{
    QCOMPARE(actual.left, expected.left);
    QCOMPARE(actual.top, expected.top);
    QCOMPARE(actual.width, expected.width);
    QCOMPARE(actual.height, expected.height);
}

} // namespace

void TestPictureLayout::layout_data()
{
    QTest::addColumn<PictureSizing>("sizing");
    QTest::addColumn<bool>("bordered");
    QTest::addColumn<int>("W");
    QTest::addColumn<int>("H");
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("top");
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("height");

    const auto expand = PictureSizing::ExpandWithoutDistorting;
    const auto stretch = PictureSizing::StretchToFit;
    const auto actual = PictureSizing::ActualSize;

    // r = 8880 / 4000 = 2.22; cut off at top and bottom.
    QTest::newRow("expand landscape") << expand << true << 9000 << 6000 << 0 << 4000 << 3000 << 0.0 << -570.0
                                      << 8880.0 << 6660.0;
    // top = (6000 - 6660 - 480 - 255) / 2 = -697.5, to the even neighbour.
    QTest::newRow("expand landscape, bar") << expand << true << 9000 << 6000 << 255 << 4000 << 3000 << 0.0
                                           << -698.0 << 8880.0 << 6660.0;
    // r = 5520 / 4000 = 1.38; centred across.
    QTest::newRow("expand portrait") << expand << true << 9000 << 6000 << 0 << 3000 << 4000 << 2370.0 << 0.0
                                     << 4140.0 << 5520.0;
    // width 3948.75 -> 3949; left (9000 - 3949 - 120) / 2 = 2465.5 -> 2466.
    QTest::newRow("expand portrait, bar") << expand << true << 9000 << 6000 << 255 << 3000 << 4000 << 2466.0
                                          << 0.0 << 3949.0 << 5265.0;
    // Fitted to the height although the window is wider than high.
    QTest::newRow("square counts as portrait") << expand << true << 9000 << 6000 << 0 << 3000 << 3000 << 1680.0
                                               << 0.0 << 5520.0 << 5520.0;
    QTest::newRow("expand shrinks a large picture") << expand << true << 9000 << 6000 << 0 << 90000 << 60000
                                                    << 0.0 << -200.0 << 8880.0 << 5920.0;
    // r = 5521 / 2048 exactly: width 2760.5 goes to 2760, then left (9000 - 2760 - 120) / 2.
    QTest::newRow("width half to even, down") << expand << true << 9000 << 6001 << 0 << 1024 << 2048 << 3060.0
                                              << 0.0 << 2760.0 << 5521.0;
    QTest::newRow("width half to even, up") << expand << true << 9000 << 6003 << 0 << 1024 << 2048 << 3059.0
                                            << 0.0 << 2762.0 << 5523.0;
    QTest::newRow("picture without pixels") << expand << true << 9000 << 6000 << 0 << 0 << 0 << 0.0 << 0.0 << 0.0
                                            << 0.0;

    QTest::newRow("actual size centred") << actual << true << 9000 << 6000 << 0 << 4000 << 3000 << 2440.0
                                         << 1260.0 << 4000.0 << 3000.0;
    QTest::newRow("actual size, half twip kept") << actual << true << 9001 << 6000 << 0 << 4000 << 3000 << 2440.5
                                                 << 1260.0 << 4000.0 << 3000.0;
    QTest::newRow("actual size larger than window") << actual << true << 9000 << 6000 << 255 << 12001 << 9001
                                                    << -1560.5 << -1868.0 << 12001.0 << 9001.0;

    QTest::newRow("stretch") << stretch << true << 9000 << 6000 << 255 << 4000 << 3000 << 0.0 << 0.0 << 8880.0
                             << 5265.0;

    // The full-screen window uses W and H where the bordered one allows for its frame.
    QTest::newRow("full screen expand landscape") << expand << false << 9000 << 6000 << 0 << 4000 << 3000 << 0.0
                                                  << -375.0 << 9000.0 << 6750.0;
    // width 4308.75 -> 4309; left (9000 - 4309) / 2 = 2345.5 -> 2346.
    QTest::newRow("full screen expand portrait, bar") << expand << false << 9000 << 6000 << 255 << 3000 << 4000
                                                      << 2346.0 << 0.0 << 4309.0 << 5745.0;
    QTest::newRow("full screen actual size, bar") << actual << false << 9000 << 6000 << 255 << 4000 << 3000
                                                  << 2500.0 << 1372.5 << 4000.0 << 3000.0;
    QTest::newRow("full screen stretch, bar") << stretch << false << 9000 << 6000 << 255 << 4000 << 3000 << 0.0
                                              << 0.0 << 9000.0 << 5745.0;

    // Screens past 2,184 pixels give values beyond 16 bits: laid out all the same.
    QTest::newRow("4K landscape") << expand << false << 57600 << 32400 << 0 << 90000 << 60000 << 0.0 << -3000.0
                                  << 57600.0 << 38400.0;
    QTest::newRow("8K portrait") << expand << false << 115200 << 64800 << 0 << 60000 << 90000 << 36000.0 << 0.0
                                 << 43200.0 << 64800.0;
    QTest::newRow("4K bordered actual size") << actual << true << 57600 << 32400 << 0 << 120000 << 90000
                                             << -31260.0 << -29040.0 << 120000.0 << 90000.0;
}

void TestPictureLayout::layout()
{
    QFETCH(PictureSizing, sizing);
    QFETCH(bool, bordered);
    QFETCH(int, W);
    QFETCH(int, H);
    QFETCH(int, bar);
    QFETCH(int, w);
    QFETCH(int, h);
    QFETCH(double, left);
    QFETCH(double, top);
    QFETCH(double, width);
    QFETCH(double, height);

    SlideFrame frame;
    frame.outerWidth = W;
    frame.outerHeight = H;
    frame.barHeight = bar;
    frame.bordered = bordered;
    compareGeometry(fnLayoutPicture(sizing, frame, w, h), geometry(left, top, width, height));
}

void TestPictureLayout::roundHalfEven_data()
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

void TestPictureLayout::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(qint64, expected);
    QCOMPARE(::roundHalfEven(value), expected);
}

void TestPictureLayout::zoomLargerSteps_data()
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

void TestPictureLayout::zoomLargerSteps()
{
    QFETCH(PictureGeometry, before);
    QFETCH(PictureGeometry, after);
    PictureGeometry g = before;
    QVERIFY(zoomLarger(g));
    compareGeometry(g, after);
}

void TestPictureLayout::zoomLargerLimit_data()
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

void TestPictureLayout::zoomLargerLimit()
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

void TestPictureLayout::zoomSmallerSteps()
{
    PictureGeometry g = geometry(100, 200, 1000, 500);
    zoomSmaller(g);
    compareGeometry(g, geometry(200, 250, 800, 400));

    // Far beyond the enlarging limit, Smaller still acts.
    g = geometry(0, 0, 400000, 300000);
    zoomSmaller(g);
    compareGeometry(g, geometry(40000, 30000, 320000, 240000));
}

void TestPictureLayout::zoomSmallerHasNoLowerLimit()
{
    PictureGeometry g = geometry(0, 0, 8880, 6660);
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

void TestPictureLayout::zoomToTheLimitAndBack()
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

QTEST_APPLESS_MAIN(TestPictureLayout)
#include "tst_picturelayout.moc"
