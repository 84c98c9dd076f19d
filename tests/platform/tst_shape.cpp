#include "Shape.h"

#include <QTest>

class TestShape final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void geometryFromTwips_data();
    void geometryFromTwips();
    void paintsARedCircleOnlyWhileShown();
};

void TestShape::geometryFromTwips_data()
{
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<QRect>("geometry");

    QTest::newRow("limit 0") << 175.0f << 960.0f << QRect(12, 64, 9, 9);
    QTest::newRow("limit 1") << 295.0f << 960.0f << QRect(20, 64, 9, 9);
    QTest::newRow("limit 45") << 175.0f + 120.0f * 45 << 960.0f << QRect(12 + 8 * 45, 64, 9, 9);
    QTest::newRow("origin") << 0.0f << 0.0f << QRect(0, 0, 9, 9);
}

void TestShape::geometryFromTwips()
{
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(QRect, geometry);

    QWidget window;
    Shape shape(&window);
    shape.setSizeTwips(135, 135);
    shape.setLeft(left);
    shape.setTop(top);
    QCOMPARE(shape.geometry(), geometry);
}

void TestShape::paintsARedCircleOnlyWhileShown()
{
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::white);
    window.setPalette(palette);
    window.resize(100, 100);
    Shape shape(&window);
    shape.setSizeTwips(135 * 3, 135 * 3); // 27 pixels: room to tell centre from corner
    shape.setLeft(150);
    shape.setTop(150);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QPoint centre = shape.geometry().center();
    const QPoint corner = shape.geometry().topLeft() + QPoint(1, 1);
    QImage image = window.grab().toImage();
    QCOMPARE(image.pixelColor(centre), QColor(255, 0, 0));
    QCOMPARE(image.pixelColor(corner), QColor(Qt::white)); // a circle, not a square

    shape.hide();
    image = window.grab().toImage();
    QCOMPARE(image.pixelColor(centre), QColor(Qt::white));
}

QTEST_MAIN(TestShape)
#include "tst_shape.moc"
