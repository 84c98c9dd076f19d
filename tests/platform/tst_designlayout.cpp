#include "DesignLayout.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The window's design in twips; in pixels: Label1 8,16 177x17; Label2 384,16 33x17; rtbRiga
// 8,40 369x23; txtLimite 384,40 32x23; UpDown1 416,40 16x23; shpLimite 12,64 9x9; chkAppunti
// 8,88 177x17; chkSvuota 200,88 153x17; SB 0,113 440x25; client 440x138.
const QStringList Names = {u"Label1"_s,     u"Label2"_s,    u"rtbRiga"_s,
                           u"txtLimite"_s,  u"UpDown1"_s,   u"shpLimite"_s,
                           u"chkAppunti"_s, u"chkSvuota"_s, u"SB"_s};
const QList<QRect> Design = {{120, 240, 2655, 255},  {5760, 240, 495, 255},   {120, 600, 5535, 345},
                             {5760, 600, 480, 350},  {6240, 600, 240, 345},   {175, 960, 135, 135},
                             {120, 1320, 2655, 255}, {3000, 1320, 2295, 255}, {0, 1695, 6600, 375}};
const QList<QRect> DesignPixels = {{8, 16, 177, 17},  {384, 16, 33, 17},  {8, 40, 369, 23},
                                   {384, 40, 32, 23}, {416, 40, 16, 23},  {12, 64, 9, 9},
                                   {8, 88, 177, 17},  {200, 88, 153, 17}, {0, 113, 440, 25}};

using Changes = QHash<QString, QRect>;

} // namespace

class TestDesignLayout final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fit_data();
    void fit();
    void shares_data();
    void shares();
};

void TestDesignLayout::fit_data()
{
    QTest::addColumn<Changes>("needed"); // needs in the rectangles' sizes
    QTest::addColumn<Changes>("moved");  // final rectangles that are not the design's
    QTest::addColumn<QSize>("client");

    QTest::newRow("everything fits: the design") << Changes{{u"Label1"_s, {0, 0, 177, 17}},
                                                            {u"chkSvuota"_s, {0, 0, 100, 12}},
                                                            {u"rtbRiga"_s, {0, 0, 0, 22}},
                                                            {u"SB"_s, {0, 0, 440, 25}}}
                                                 << Changes{} << QSize(440, 138);
    QTest::newRow("wide check box pushes its neighbour and the window")
        << Changes{{u"chkAppunti"_s, {0, 0, 300, 0}}}
        << Changes{{u"chkAppunti"_s, {8, 88, 300, 17}},
                   {u"chkSvuota"_s, {323, 88, 153, 17}},
                   {u"SB"_s, {0, 113, 484, 25}}}
        << QSize(484, 138);
    QTest::newRow("tall label row moves every row below")
        << Changes{{u"Label2"_s, {0, 0, 0, 23}}}
        << Changes{{u"Label1"_s, {8, 16, 177, 23}},     {u"Label2"_s, {384, 16, 33, 23}},
                   {u"rtbRiga"_s, {8, 46, 369, 23}},    {u"txtLimite"_s, {384, 46, 32, 23}},
                   {u"UpDown1"_s, {416, 46, 16, 23}},   {u"shpLimite"_s, {12, 70, 9, 9}},
                   {u"chkAppunti"_s, {8, 94, 177, 17}}, {u"chkSvuota"_s, {200, 94, 153, 17}},
                   {u"SB"_s, {0, 119, 440, 25}}}
        << QSize(440, 144);
    QTest::newRow("taller line field: the row grows, the marker stays just below")
        << Changes{{u"txtLimite"_s, {0, 0, 0, 26}}}
        << Changes{{u"rtbRiga"_s, {8, 40, 369, 26}},    {u"txtLimite"_s, {384, 40, 32, 26}},
                   {u"UpDown1"_s, {416, 40, 16, 26}},   {u"shpLimite"_s, {12, 67, 9, 9}},
                   {u"chkAppunti"_s, {8, 91, 177, 17}}, {u"chkSvuota"_s, {200, 91, 153, 17}},
                   {u"SB"_s, {0, 116, 440, 25}}}
        << QSize(440, 141);
    QTest::newRow("wide line box: its row and the label's column follow")
        << Changes{{u"rtbRiga"_s, {0, 0, 400, 0}}}
        << Changes{{u"rtbRiga"_s, {8, 40, 400, 23}},
                   {u"txtLimite"_s, {415, 40, 32, 23}},
                   {u"UpDown1"_s, {447, 40, 16, 23}},
                   {u"Label2"_s, {415, 16, 33, 17}},
                   {u"SB"_s, {0, 113, 471, 25}}}
        << QSize(471, 138);
    QTest::newRow("label past the right margin, status bar wider and taller")
        << Changes{{u"Label2"_s, {0, 0, 66, 0}}, {u"SB"_s, {0, 0, 612, 30}}}
        << Changes{{u"Label2"_s, {384, 16, 66, 17}}, {u"SB"_s, {0, 113, 612, 30}}}
        << QSize(612, 143);
}

void TestDesignLayout::fit()
{
    QFETCH(Changes, needed);
    QFETCH(Changes, moved);
    QFETCH(QSize, client);

    QList<DesignLayout::Control> controls;
    for (qsizetype i = 0; i < Names.size(); ++i)
        controls.append({Design[i], needed.value(Names[i]).size(), Names[i] == u"SB"_s});
    const DesignLayout::Fit fit = DesignLayout::fit({6600, 2070}, controls);

    QCOMPARE(fit.client, client);
    QCOMPARE(fit.rects.size(), Names.size());
    for (qsizetype i = 0; i < Names.size(); ++i)
        QCOMPARE(fit.rects[i], moved.value(Names[i], DesignPixels[i]));
}

void TestDesignLayout::shares_data()
{
    QTest::addColumn<int>("part");
    QTest::addColumn<int>("whole");
    QTest::newRow("Caps Lock panel") << 1440 << 6600;
    QTest::newRow("text panel") << 5115 << 6600;
    QTest::newRow("all of it") << 6600 << 6600;
}

void TestDesignLayout::shares()
{
    QFETCH(int, part);
    QFETCH(int, whole);
    QCOMPARE(DesignLayout::share(440, 1440, 6600), 96);
    // The width found is the narrowest that gives the panel what it needs.
    for (int needed = 1; needed <= 400; ++needed) {
        const int width = DesignLayout::widthForShare(needed, part, whole);
        QVERIFY2(DesignLayout::share(width, part, whole) >= needed,
                 qPrintable(QString::number(needed)));
        QVERIFY2(DesignLayout::share(width - 1, part, whole) < needed,
                 qPrintable(QString::number(needed)));
    }
}

QTEST_APPLESS_MAIN(TestDesignLayout)
#include "tst_designlayout.moc"
