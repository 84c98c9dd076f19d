#include "StatusBar.h"

#include <QLabel>
#include <QMainWindow>
#include <QTest>

using namespace Qt::StringLiterals;

class TestStatusBar final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void panels();
    void panelTextStaysOneLine_data();
    void panelTextStaysOneLine();
    void capsLockPanel();
    void offscreenHasNoKeyboardState();
    void followsCapsLockKeyOnce();
};

void TestStatusBar::panels()
{
    QMainWindow window;
    auto *bar = new StatusBar;
    window.setStatusBar(bar);
    window.resize(440, 138);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    bar->setPanelText(u"Nessuna tabella aperta"_s);
    QCOMPARE(bar->findChild<QLabel *>(u"panel1"_s)->text(), u"Nessuna tabella aperta"_s);
    QCOMPARE(bar->findChild<QLabel *>(u"panel1"_s)->text(), u"Nessuna tabella aperta"_s);

    QCOMPARE(bar->findChild<QLabel *>(u"panel2"_s)->width(), 96); // 1440 twips
    QCOMPARE(bar->findChild<QLabel *>(u"panel2"_s)->text(), u"BLOC MAIUSC"_s);
    QVERIFY(bar->findChild<QLabel *>(u"panel1"_s)->x() <
            bar->findChild<QLabel *>(u"panel2"_s)->x());
    // Panel 1 takes the rest of the width, even for a text longer than it.
    const int panel1Width = bar->findChild<QLabel *>(u"panel1"_s)->width();
    QVERIFY2(panel1Width > 440 - 96 - 30, qPrintable(QString::number(panel1Width)));
    bar->setPanelText(u"Tabella caricata: "_s + QString(200, u'x'));
    QTest::qWait(0);
    QCOMPARE(window.width(), 440);
    QCOMPARE(bar->findChild<QLabel *>(u"panel1"_s)->width(), panel1Width);
}

void TestStatusBar::panelTextStaysOneLine_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("line feed, tab") << u"a\nb\t.tbl"_s << u"a\u21B5b\u21E5.tbl"_s;
    QTest::newRow("CR, NEL, line and paragraph separators")
        << u"\r\u0085\u2028\u2029"_s << u"\u21B5\u21B5\u21B5\u21B5"_s;
    QTest::newRow("escape, delete, C1") << u"\x1b\x7f\u0090"_s << u"\uFFFD\uFFFD\uFFFD"_s;
    QTest::newRow("printable as it is") << u"lat\uFFFD \u00e8.tbl"_s << u"lat\uFFFD \u00e8.tbl"_s;
}

void TestStatusBar::panelTextStaysOneLine()
{
    QFETCH(QString, name);
    QFETCH(QString, shown);
    StatusBar bar, plain;
    bar.setPanelText(u"Tabella caricata: "_s + name);
    plain.setPanelText(u"Tabella caricata: x"_s);
    QCOMPARE(bar.findChild<QLabel *>(u"panel1"_s)->text(), u"Tabella caricata: "_s + shown);
    QCOMPARE(bar.findChild<QLabel *>(u"panel1"_s)->sizeHint().height(),
             plain.findChild<QLabel *>(u"panel1"_s)->sizeHint().height());
}

void TestStatusBar::capsLockPanel()
{
    StatusBar bar;
    QVERIFY(!bar.findChild<QLabel *>(u"panel2"_s)->isEnabled());
    QVERIFY(!bar.findChild<QLabel *>(u"panel2"_s)->isEnabled()); // greyed while off
    bar.setCapsLock(true);
    QVERIFY(bar.findChild<QLabel *>(u"panel2"_s)->isEnabled());
    QVERIFY(bar.findChild<QLabel *>(u"panel2"_s)->isEnabled());
    QVERIFY(bar.findChild<QLabel *>(u"panel2"_s)
                ->palette()
                .color(QPalette::Active, QPalette::WindowText) !=
            bar.findChild<QLabel *>(u"panel2"_s)
                ->palette()
                .color(QPalette::Disabled, QPalette::WindowText));
    bar.setCapsLock(false);
    QVERIFY(!bar.findChild<QLabel *>(u"panel2"_s)->isEnabled());
}

void TestStatusBar::offscreenHasNoKeyboardState()
{
    StatusBar bar;
    bar.setCapsLock(true);
    QVERIFY(!bar.refreshCapsLock());
    QVERIFY(bar.findChild<QLabel *>(u"panel2"_s)->isEnabled()); // kept as it was
}

void TestStatusBar::followsCapsLockKeyOnce()
{
    QMainWindow window;
    auto *bar = new StatusBar;
    window.setStatusBar(bar);
    auto *central = new QWidget;
    auto *field = new QWidget(central);
    field->setFocusPolicy(Qt::StrongFocus);
    window.setCentralWidget(central);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    bar->followCapsLock(qApp);

    // Through the window, as the platform delivers keys; the focus widget ignores Caps Lock
    // and the event travels on to its parents, still counting once.
    QTest::keyClick(window.windowHandle(), Qt::Key_CapsLock);
    QVERIFY(bar->findChild<QLabel *>(u"panel2"_s)->isEnabled());
    QTest::keyClick(window.windowHandle(), Qt::Key_A);
    QVERIFY(bar->findChild<QLabel *>(u"panel2"_s)->isEnabled());
    QTest::keyClick(window.windowHandle(), Qt::Key_CapsLock);
    QVERIFY(!bar->findChild<QLabel *>(u"panel2"_s)->isEnabled());
}

QTEST_MAIN(TestStatusBar)
#include "tst_statusbar.moc"
