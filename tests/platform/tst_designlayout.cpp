#include "DesignLayout.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The window's design in twips, and in pixels.
const QStringList Names = {u"Label1"_s,     u"Label2"_s,    u"rtbRiga"_s,
                           u"txtLimite"_s,  u"UpDown1"_s,   u"shpLimite"_s,
                           u"chkAppunti"_s, u"chkSvuota"_s, u"SB"_s};
const QList<QRect> Design = {{120, 240, 2655, 255},  {5760, 240, 495, 255},   {120, 600, 5535, 345},
                             {5760, 600, 480, 350},  {6240, 600, 240, 345},   {175, 960, 135, 135},
                             {120, 1320, 2655, 255}, {3000, 1320, 2295, 255}, {0, 1695, 6600, 375}};
const QList<QRect> Pixels = {{8, 16, 177, 17},  {384, 16, 33, 17},  {8, 40, 369, 23},
                             {384, 40, 32, 23}, {416, 40, 16, 23},  {12, 64, 9, 9},
                             {8, 88, 177, 17},  {200, 88, 153, 17}, {0, 113, 440, 25}};
using Rects = QHash<QString, QRect>;

class TestDesignLayout final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fit_data();
    void fit();
    void shares();
};

void TestDesignLayout::fit_data()
{
    QTest::addColumn<Rects>("needed"); // the needs are the rectangles' sizes
    QTest::addColumn<Rects>("moved");  // every rectangle not listed keeps the design's
    QTest::addColumn<QSize>("client");

    QTest::newRow("everything fits: the design") << Rects{{u"Label1"_s, {0, 0, 177, 17}},
                                                          {u"rtbRiga"_s, {0, 0, 0, 22}},
                                                          {u"SB"_s, {0, 0, 440, 25}}}
                                                 << Rects{} << QSize(440, 138);
    QTest::newRow("wide check box pushes its neighbour and the window")
        << Rects{{u"chkAppunti"_s, {0, 0, 300, 0}}}
        << Rects{{u"chkAppunti"_s, {8, 88, 300, 17}},
                 {u"chkSvuota"_s, {323, 88, 153, 17}},
                 {u"SB"_s, {0, 113, 484, 25}}}
        << QSize(484, 138);
    QTest::newRow("taller line row moves the marker and the rows below")
        << Rects{{u"txtLimite"_s, {0, 0, 0, 26}}, {u"SB"_s, {0, 0, 612, 30}}}
        << Rects{{u"rtbRiga"_s, {8, 40, 369, 26}},    {u"txtLimite"_s, {384, 40, 32, 26}},
                 {u"UpDown1"_s, {416, 40, 16, 26}},   {u"shpLimite"_s, {12, 67, 9, 9}},
                 {u"chkAppunti"_s, {8, 91, 177, 17}}, {u"chkSvuota"_s, {200, 91, 153, 17}},
                 {u"SB"_s, {0, 116, 612, 30}}}
        << QSize(612, 146);
    QTest::newRow("wide line box: its row and the label's column follow")
        << Rects{{u"rtbRiga"_s, {0, 0, 400, 0}}}
        << Rects{{u"rtbRiga"_s, {8, 40, 400, 23}},
                 {u"txtLimite"_s, {415, 40, 32, 23}},
                 {u"UpDown1"_s, {447, 40, 16, 23}},
                 {u"Label2"_s, {415, 16, 33, 17}},
                 {u"SB"_s, {0, 113, 471, 25}}}
        << QSize(471, 138);
}

void TestDesignLayout::fit()
{
    QFETCH(Rects, needed);
    QFETCH(Rects, moved);
    QFETCH(QSize, client);

    QList<DesignLayout::Control> controls;
    for (qsizetype i = 0; i < Names.size(); ++i)
        controls.append({Design[i], needed.value(Names[i]).size(), Names[i] == u"SB"_s});
    const DesignLayout::Fit fit = DesignLayout::fit({6600, 2070}, controls);
    QCOMPARE(fit.client, client);
    for (qsizetype i = 0; i < Names.size(); ++i)
        QCOMPARE(fit.rects.value(i), moved.value(Names[i], Pixels[i]));
}

void TestDesignLayout::shares()
{
    QCOMPARE(DesignLayout::share(440, 1440, 6600), 96);
    // The narrowest width that gives the panel what it needs.
    for (int part : {1440, 5115}) {
        for (int needed = 1; needed <= 400; ++needed) {
            const int width = DesignLayout::widthForShare(needed, part, 6600);
            QVERIFY(DesignLayout::share(width, part, 6600) >= needed);
            QVERIFY(DesignLayout::share(width - 1, part, 6600) < needed);
        }
    }
}

QTEST_APPLESS_MAIN(TestDesignLayout)
#include "tst_designlayout.moc"
