// The window at the desktop fonts of 8 to 14 pt; run once per scale factor (QT_SCALE_FACTOR).
#include "DesignLayout.h"
#include "Fonts.h"
#include "LineBox.h"
#include "Shape.h"
#include "StatusBar.h"
#include "UpDown.h"
#include "frmVerzino.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

// How wide a label, panel or check box must be to show its caption whole.
int captionWidth(QWidget *control)
{
    if (auto *label = qobject_cast<QLabel *>(control))
        return label->width() - label->contentsRect().width() +
               label->fontMetrics().horizontalAdvance(label->text());
    auto *box = qobject_cast<QCheckBox *>(control);
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    option.rect = box->rect();
    const QRect contents = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    return contents.left() + box->fontMetrics().horizontalAdvance(box->text());
}

} // namespace

class tst_WindowFit final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fitsTheFont_data();
    void fitsTheFont();
};

void tst_WindowFit::fitsTheFont_data()
{
    QTest::addColumn<int>("points");
    for (int points : {8, 9, 11, 12, 14})
        QTest::addRow("%d pt", points) << points;
}

void tst_WindowFit::fitsTheFont()
{
    QFETCH(int, points);
    QFont font = QApplication::font();
    font.setPointSize(points);
    QApplication::setFont(font);
    frmVerzino window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR", u"1"_s).toDouble());
    const auto control = [&window](const QString &name) {
        auto *found = window.findChild<QWidget *>(name);
        if (!found)
            qFatal("no control named %s", qPrintable(name));
        return found;
    };

    // Fixed size for the user, whatever size the font gave it.
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.size(), window.minimumSize());

    auto *bar = static_cast<StatusBar *>(control(u"SB"_s));
    const QList<QWidget *> captioned = {
        control(u"Label1"_s),    control(u"Label2"_s), control(u"chkAppunti"_s),
        control(u"chkSvuota"_s), bar->panel1(),        bar->panel2()};
    for (QWidget *widget : captioned) {
        const QString name = widget->objectName();
        QVERIFY2(widget->width() >= captionWidth(widget), qPrintable(name));
        QVERIFY2(widget->contentsRect().height() >= widget->fontMetrics().height(),
                 qPrintable(name));
    }
    // The Caps Lock panel keeps its share of the bar, 1440 of 6600.
    QVERIFY(qAbs(bar->panel2()->width() - DesignLayout::share(bar->width(), 1440, 6600)) <= 1);

    // The line box keeps its 45 Courier cells; both Courier fields show their line.
    auto *line = static_cast<LineBox *>(control(u"rtbRiga"_s));
    QCOMPARE(line->font(), Fonts::courier());
    QCOMPARE(line->geometry().left(), 8);
    QCOMPARE(line->width(), 369);
    for (const QString &name : {u"rtbRiga"_s, u"txtLimite"_s}) {
        const QLineEdit *field = static_cast<QLineEdit *>(control(name));
        QVERIFY2(field->contentsRect().height() - 2 >= field->fontMetrics().height(),
                 qPrintable(name));
    }

    // No control overlaps another or leaves the client area.
    const QRect client = window.clientArea()->rect();
    const QStringList all = {u"SB"_s,        u"rtbRiga"_s, u"chkAppunti"_s,
                             u"txtLimite"_s, u"Label1"_s,  u"Label2"_s,
                             u"chkSvuota"_s, u"UpDown1"_s, u"shpLimite"_s};
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QRect a = control(all[i])->geometry();
        QVERIFY2(client.contains(a), qPrintable(all[i]));
        for (qsizetype j = i + 1; j < all.size(); ++j)
            QVERIFY2(!a.intersects(control(all[j])->geometry()),
                     qPrintable(all[i] + u" overlaps "_s + all[j]));
    }

    // The marker stands just under the line box and, after 45 clicks, under the 45th cell: as
    // far from the caret after 45 characters as it stood from the empty line's, under a cell.
    const Shape *marker = static_cast<Shape *>(control(u"shpLimite"_s));
    QCOMPARE(marker->geometry().top(), line->geometry().bottom() + 2);
    const auto gap = [&] {
        const QRect caret = line->caretRect();
        const int caretX = line->mapTo(window.clientArea(), caret.center()).x();
        return marker->geometry().left() - caretX;
    };
    const int start = gap();
    auto *spinner = static_cast<UpDown *>(control(u"UpDown1"_s));
    for (int i = 0; i < 45; ++i)
        QTest::mouseClick(spinner->upButton(), Qt::LeftButton);
    QTest::keyClicks(line, QString(50, u'M'));
    QCOMPARE(line->text().size(), 45);
    QCOMPARE(gap(), start);
    QVERIFY2(start >= 0 && start < 8, qPrintable(QString::number(start)));
}

QTEST_MAIN(tst_WindowFit)
#include "tst_windowfit.moc"
