// The window on a desktop: fitted to fonts of 8 to 14 pt, at the scale factor QT_SCALE_FACTOR
// gives the run, and as a screen reader finds it through Qt's accessibility interfaces.
#include "LineBox.h"
#include "MainWindow.h"
#include "Shape.h"
#include "StatusBar.h"
#include "Twips.h"
#include "WindowHarness.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_Desktop final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fitsTheFont_data();
    void fitsTheFont();
    void accessible_data();
    void accessible();
    void spinnerForScreenReaders();

private:
    MainWindow m_window;
    template <typename T = QWidget> T *control(const QString &name)
    {
        auto *found = m_window.findChild<T *>(name);
        return found ? found : (qFatal("no control named %s", qPrintable(name)), nullptr);
    }
    QAccessibleInterface *accessible(const QString &name)
    {
        return QAccessible::queryAccessibleInterface(control<QObject>(name));
    }
};

// How wide a label, panel or check box must be to show its caption whole.
static int captionWidth(QWidget *control)
{
    if (auto *label = qobject_cast<QLabel *>(control))
        return label->width() - label->contentsRect().width() +
               label->fontMetrics().horizontalAdvance(label->text());
    auto *box = static_cast<QCheckBox *>(control);
    QStyleOptionButton option;
    option.initFrom(box);
    const QRect contents = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    return contents.left() + box->fontMetrics().horizontalAdvance(box->text());
}

void tst_Desktop::fitsTheFont_data()
{
    QTest::addColumn<int>("points");
    for (int points : {8, 9, 11, 12, 14})
        QTest::addRow("%d pt", points) << points;
}

void tst_Desktop::fitsTheFont()
{
    QFETCH(int, points);
    QFont font = QApplication::font();
    font.setPointSize(points);
    QApplication::setFont(font);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR", u"1"_s).toDouble());
    QCOMPARE(window.minimumSize(), window.maximumSize());
    const auto find = [&window](const QString &name) { return window.findChild<QWidget *>(name); };

    auto *bar = static_cast<StatusBar *>(find(u"SB"_s));
    for (QWidget *widget : QList<QWidget *>{
             find(u"Label1"_s), find(u"Label2"_s), find(u"chkAppunti"_s), find(u"chkSvuota"_s),
             bar->findChild<QLabel *>(u"panel1"_s), bar->findChild<QLabel *>(u"panel2"_s)}) {
        QVERIFY2(widget->width() >= captionWidth(widget), qPrintable(widget->objectName()));
        QVERIFY2(widget->contentsRect().height() >= widget->fontMetrics().height(),
                 qPrintable(widget->objectName()));
    }
    // Panel 2 keeps its designed share of the bar, 1440 twips of 6600.
    QVERIFY(qAbs(bar->findChild<QLabel *>(u"panel2"_s)->width() - bar->width() * 1440.0 / 6600) <=
            1);
    auto *line = static_cast<LineBox *>(find(u"rtbRiga"_s));
    QCOMPARE(line->width(), 369); // 45 Courier cells and the frame
    // The Courier fields keep their font and size; inside the frame the line box's line still
    // shows, and the spin box's digits.
    QStyleOptionFrame frame;
    frame.initFrom(line);
    frame.lineWidth = line->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    const QRect text = line->style()->subElementRect(QStyle::SE_LineEditContents, &frame, line);
    QVERIFY(text.height() - 2 >= line->fontMetrics().height());
    const auto *limit = find(u"txtLimite"_s);
    QVERIFY(limit->height() - 2 >=
            limit->fontMetrics().tightBoundingRect(u"0123456789"_s).height());

    // No control overlaps another or leaves the client area.
    const QStringList all = {u"SB"_s,     u"rtbRiga"_s,   u"chkAppunti"_s, u"Label1"_s,
                             u"Label2"_s, u"chkSvuota"_s, u"UpDown1"_s,    u"shpLimite"_s};
    for (qsizetype i = 0; i < all.size(); ++i) {
        const QRect a = find(all[i])->geometry();
        QVERIFY2(WindowHarness::control<QWidget>(&window, u"clientArea"_s)->rect().contains(a),
                 qPrintable(all[i]));
        for (qsizetype j = i + 1; j < all.size(); ++j)
            QVERIFY2(!a.intersects(find(all[j])->geometry()), qPrintable(all[i] + all[j]));
    }

    // Just under the line box, and after 45 clicks as far from the caret after 45 characters as
    // it stood from the empty line's: under the 45th cell.
    const QWidget *marker = find(u"shpLimite"_s);
    QCOMPARE(marker->geometry().top(), line->geometry().bottom() + 2);
    const auto gap = [&] {
        return marker->x() -
               line->mapTo(WindowHarness::control<QWidget>(&window, u"clientArea"_s),
                           line->inputMethodQuery(Qt::ImCursorRectangle).toRect().center())
                   .x();
    };
    const int start = gap();
    for (int i = 0; i < 45; ++i)
        WindowHarness::clickArrow(static_cast<QSpinBox *>(find(u"UpDown1"_s)),
                                  QStyle::SC_SpinBoxUp);
    QTest::keyClicks(line, QString(50, u'M'));
    QCOMPARE(line->text().size(), 45);
    QCOMPARE(gap(), start);
    QVERIFY2(start >= 0 && start < 8, qPrintable(QString::number(start)));
}

void tst_Desktop::accessible_data()
{
    QTest::addColumn<QString>("object");
    QTest::addColumn<QAccessible::Role>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");

    QTest::newRow("line box") << u"rtbRiga"_s << QAccessible::EditableText
                              << u"Scrivi qui la riga:"_s << u""_s;
    QTest::newRow("spinner") << u"UpDown1"_s << QAccessible::SpinBox << u"Limite"_s << u"0"_s;
    QTest::newRow("copy") << u"chkAppunti"_s << QAccessible::CheckBox
                          << u"Copia negli Appunti con INVIO"_s << u""_s;
    QTest::newRow("clear") << u"chkSvuota"_s << QAccessible::CheckBox
                           << u"Svuota casella con INVIO"_s << u""_s;
}

void tst_Desktop::accessible()
{
    QFETCH(QString, object);
    QFETCH(QAccessible::Role, role);
    QFETCH(QString, name);
    QFETCH(QString, value);

    // As a screen reader finds the window once it is up.
    m_window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_window));
    QAccessibleInterface *interface = accessible(object);
    QCOMPARE(interface->role(), role);
    QCOMPARE(interface->text(QAccessible::Name), name);
    QCOMPARE(interface->text(QAccessible::Value), value);
}

void tst_Desktop::spinnerForScreenReaders()
{
    const Shape *marker = control<Shape>(u"shpLimite"_s);
    QAccessibleValueInterface *value = accessible(u"UpDown1"_s)->valueInterface();
    QCOMPARE(value->minimumValue().toInt(), 0);
    QCOMPARE(value->maximumValue().toInt(), 45);

    // A screen reader's user steps with the keys and hears the value.
    auto *spinner = control<QSpinBox>(u"UpDown1"_s);
    QTest::keyClick(spinner, Qt::Key_Up);
    QCOMPARE(value->currentValue().toInt(), 1);
    // A value set from outside moves the marker as the clicks would, one cell per step.
    value->setCurrentValue(5);
    QCOMPARE(control<QLineEdit>(u"txtLimite"_s)->text(), u"5"_s);
    QCOMPARE(marker->x(), qRound(Twips::toPixels(175 + 120 * (5))));
    QTest::keyClick(spinner, Qt::Key_Down);
    QTest::keyClick(spinner, Qt::Key_Down);
    QCOMPARE(marker->x(), qRound(Twips::toPixels(175 + 120 * (3))));
    value->setCurrentValue(99);
    QCOMPARE(value->currentValue().toInt(), 45);
    QCOMPARE(marker->x(), qRound(Twips::toPixels(175 + 120 * (45))));
}

QTEST_MAIN(tst_Desktop)
#include "tst_desktop.moc"
