#include "UpDown.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using namespace Qt::StringLiterals;

class TestUpDown final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void startsAtZeroInTheBuddy();
    void steps_data();
    void steps();
    void arrowClicks();
    void keysActAsClicks();
    void heldArrowRepeatsUntilTheEnd();
    void rangeClampsWithoutClicks();
    void layout();
    void focusFrameWhileFocused();

private:
    QWidget *m_window = nullptr;
    UpDown *m_upDown = nullptr;
    QLineEdit *m_buddy = nullptr;
};

void TestUpDown::init()
{
    m_window = new QWidget;
    m_buddy = new QLineEdit(m_window);
    m_buddy->setText(u"?"_s);
    m_upDown = new UpDown(m_window);
    m_upDown->setRange(0, 45);
    m_upDown->setBuddy(m_buddy);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestUpDown::cleanup()
{
    delete m_window;
}

void TestUpDown::startsAtZeroInTheBuddy()
{
    QCOMPARE(m_upDown->value(), 0);
    QCOMPARE(m_buddy->text(), u"0"_s);
}

void TestUpDown::steps_data()
{
    // Steps from 0: +1 up, -1 down.
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("upClicks");
    QTest::addColumn<int>("downClicks");

    QTest::newRow("down at 0") << QList<int>{-1} << 0 << 0 << 0;
    QTest::newRow("ten up") << QList<int>(10, +1) << 10 << 10 << 0;
    QTest::newRow("up then down past 0")
        << (QList<int>(3, +1) << -1 << -1 << -1 << -1 << -1) << 0 << 3 << 3;
    QTest::newRow("fifty up stops at 45") << QList<int>(50, +1) << 45 << 45 << 0;
    QTest::newRow("up at 45 then down") << (QList<int>(46, +1) << -1) << 44 << 45 << 1;
}

void TestUpDown::steps()
{
    QFETCH(QList<int>, steps);
    QFETCH(int, value);
    QFETCH(int, upClicks);
    QFETCH(int, downClicks);

    QSignalSpy ups(m_upDown, &UpDown::upClick);
    QSignalSpy downs(m_upDown, &UpDown::downClick);
    for (int step : steps) {
        if (step > 0)
            m_upDown->stepUp();
        else
            m_upDown->stepDown();
    }
    QCOMPARE(m_upDown->value(), value);
    QCOMPARE(m_buddy->text(), QString::number(value));
    QCOMPARE(ups.size(), upClicks);
    QCOMPARE(downs.size(), downClicks);
}

void TestUpDown::arrowClicks()
{
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    m_buddy->setFocus();
    QCOMPARE(QApplication::focusWidget(), m_buddy);

    QSignalSpy ups(m_upDown, &UpDown::upClick);
    QSignalSpy downs(m_upDown, &UpDown::downClick);
    QStringList seenByBuddy;
    connect(m_buddy, &QLineEdit::textChanged, this,
            [&seenByBuddy](const QString &text) { seenByBuddy.append(text); });

    QTest::mouseClick(m_upDown->downButton(), Qt::LeftButton);
    QCOMPARE(downs.size(), 0);
    QTest::mouseClick(m_upDown->upButton(), Qt::LeftButton);
    QTest::mouseClick(m_upDown->upButton(), Qt::LeftButton);
    QTest::mouseClick(m_upDown->downButton(), Qt::LeftButton);
    QCOMPARE(ups.size(), 2);
    QCOMPARE(downs.size(), 1);
    QCOMPARE(m_upDown->value(), 1);
    QCOMPARE(seenByBuddy, (QStringList{u"1"_s, u"2"_s, u"1"_s}));
    // The arrows leave the focus where it was.
    QCOMPARE(QApplication::focusWidget(), m_buddy);
}

void TestUpDown::keysActAsClicks()
{
    QCOMPARE(m_upDown->focusPolicy(), Qt::TabFocus);
    QSignalSpy ups(m_upDown, &UpDown::upClick);
    QSignalSpy downs(m_upDown, &UpDown::downClick);
    QTest::keyClick(m_upDown, Qt::Key_Down);
    QTest::keyClick(m_upDown, Qt::Key_Up);
    QTest::keyClick(m_upDown, Qt::Key_Up);
    QTest::keyClick(m_upDown, Qt::Key_Down);
    QTest::keyClick(m_upDown, Qt::Key_A);
    QCOMPARE(ups.size(), 2);
    QCOMPARE(downs.size(), 1);
    QCOMPARE(m_buddy->text(), u"1"_s);
}

void TestUpDown::heldArrowRepeatsUntilTheEnd()
{
    QToolButton *up = m_upDown->upButton();
    QVERIFY(up->autoRepeat());
    QVERIFY(m_upDown->downButton()->autoRepeat());
    up->setAutoRepeatDelay(10);
    up->setAutoRepeatInterval(5);
    m_upDown->setValue(40);
    QSignalSpy ups(m_upDown, &UpDown::upClick);

    QTest::mousePress(up, Qt::LeftButton);
    QTRY_COMPARE(m_upDown->value(), 45);
    QTest::qWait(100); // still held at the end: no more clicks
    QTest::mouseRelease(up, Qt::LeftButton);
    QCOMPARE(ups.size(), 5);
    QCOMPARE(m_buddy->text(), u"45"_s);
}

void TestUpDown::rangeClampsWithoutClicks()
{
    QSignalSpy ups(m_upDown, &UpDown::upClick);
    QSignalSpy downs(m_upDown, &UpDown::downClick);
    m_upDown->setValue(30);
    m_upDown->setRange(0, 20);
    QCOMPARE(m_upDown->value(), 20);
    QCOMPARE(m_buddy->text(), u"20"_s);
    m_upDown->setValue(-4);
    QCOMPARE(m_upDown->value(), 0);
    QCOMPARE(ups.size() + downs.size(), 0);
}

void TestUpDown::layout()
{
    // 240 x 345 twips, the up arrow above the down arrow.
    QCOMPARE(m_upDown->size(), QSize(16, 23));
    const QRect up = m_upDown->upButton()->geometry();
    const QRect down = m_upDown->downButton()->geometry();
    QCOMPARE(up.top(), 0);
    QCOMPARE(up.bottom() + 1, down.top());
    QCOMPARE(down.bottom() + 1, 23);
    QCOMPARE(up.width(), 16);
    QCOMPARE(m_upDown->upButton()->arrowType(), Qt::UpArrow);
    QCOMPARE(m_upDown->downButton()->arrowType(), Qt::DownArrow);
}

void TestUpDown::focusFrameWhileFocused()
{
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    m_buddy->setFocus();
    const QImage unfocused = m_upDown->grab().toImage();

    // Reached with Tab, the spinner shows the style's focus frame over its arrows, and only then.
    QTest::keyClick(m_buddy, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), m_upDown);
    const QImage focused = m_upDown->grab().toImage();
    QCOMPARE(focused.size(), unfocused.size());
    QVERIFY(focused != unfocused);
    QTest::keyClick(m_upDown, Qt::Key_Tab);
    QVERIFY(!m_upDown->hasFocus());
    QCOMPARE(m_upDown->grab().toImage(), unfocused);
}

QTEST_MAIN(TestUpDown)
#include "tst_updown.moc"
