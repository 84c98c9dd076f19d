#include "Fonts.h"
#include "LineBox.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QTest>

using namespace Qt::StringLiterals;

// The limit marker steps one 8-pixel cell per character: the font's cells must be exactly that
// wide, or text and marker drift apart along the line.
class TestFonts final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resolvesToAMonospacedCourier();
    void cellsAreEightPixels_data();
    void cellsAreEightPixels();
    void lineBoxCursorStepsOneCell();
};

void TestFonts::resolvesToAMonospacedCourier()
{
    const QFont font = Fonts::courier();
    QCOMPARE(font.pointSizeF(), 9.75);
    QCOMPARE(font.weight(), QFont::Normal);
    QVERIFY(!font.italic());
    const QFontInfo info(font);
    QVERIFY2(info.fixedPitch(), qPrintable(info.family()));
    QCOMPARE(info.pixelSize(), 13); // 9.75 pt at 96 dpi
}

void TestFonts::cellsAreEightPixels_data()
{
    QTest::addColumn<QString>("line");
    QTest::newRow("45 M") << QString(45, u'M');
    QTest::newRow("45 i") << QString(45, u'i');
    QTest::newRow("45 blanks") << QString(45, u' ');
    QTest::newRow("mixed with accents and euro")
        << u"iW.\u00e0\u00e9\u20ac #abcdefghijklmnopqrstuvwxyzABCDEFGHIJK"_s;
}

void TestFonts::cellsAreEightPixels()
{
    QFETCH(QString, line);
    const QFontMetricsF metrics(Fonts::courier());
    QCOMPARE(line.size(), 45);
    QCOMPARE(metrics.horizontalAdvance(line), 45 * Fonts::CellPixels);
    QCOMPARE(metrics.horizontalAdvance(line.left(1)), Fonts::CellPixels);
}

void TestFonts::lineBoxCursorStepsOneCell()
{
    LineBox box;
    box.setFont(Fonts::courier());
    box.resize(369, 23);
    box.setText(QString(45, u'W'));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    box.setCursorPosition(0);
    const int start = box.inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x();
    for (int position : {1, 2, 10, 44, 45}) {
        box.setCursorPosition(position);
        QCOMPARE(box.inputMethodQuery(Qt::ImCursorRectangle).toRect().center().x() - start,
                 position * int(Fonts::CellPixels));
    }
}

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"
