#include "Twips.h"

#include <QTest>

class TestTwips final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void toPixels_data();
    void toPixels();
    void rect_data();
    void rect();
};

void TestTwips::toPixels_data()
{
    QTest::addColumn<qreal>("twips");
    QTest::addColumn<qreal>("pixels");

    QTest::newRow("zero") << qreal(0) << qreal(0);
    QTest::newRow("one pixel") << qreal(15) << qreal(1);
    QTest::newRow("character cell") << qreal(120) << qreal(8);
    QTest::newRow("one inch") << qreal(1440) << qreal(96);
    QTest::newRow("marker at limit 0") << qreal(175) << qreal(175) / 15;
    QTest::newRow("client width") << qreal(6600) << qreal(440);
}

void TestTwips::toPixels()
{
    QFETCH(qreal, twips);
    QFETCH(qreal, pixels);
    QCOMPARE(Twips::toPixels(twips), pixels);
    QCOMPARE(Twips::fromPixels(pixels), twips);
}

void TestTwips::rect_data()
{
    QTest::addColumn<QList<int>>("twips");
    QTest::addColumn<QRect>("pixels");

    QTest::newRow("line box") << QList<int>{120, 600, 5535, 345} << QRect(8, 40, 369, 23);
    QTest::newRow("status bar") << QList<int>{0, 1695, 6600, 375} << QRect(0, 113, 440, 25);
    QTest::newRow("rounds to nearest") << QList<int>{175, 960, 135, 350} << QRect(12, 64, 9, 23);
    QTest::newRow("rounds down") << QList<int>{5760, 600, 480, 350} << QRect(384, 40, 32, 23);
}

void TestTwips::rect()
{
    QFETCH(QList<int>, twips);
    QFETCH(QRect, pixels);
    QCOMPARE(Twips::rect(twips[0], twips[1], twips[2], twips[3]), pixels);
}

QTEST_APPLESS_MAIN(TestTwips)
#include "tst_twips.moc"
