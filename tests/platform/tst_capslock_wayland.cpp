#include "CapsLock.h"
#include "StatusBar.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// Under a Wayland compositor (weston, nested in an X server of its own where xdotool presses
// keys): a client cannot ask for the lock state, but every key event carries it.
class TestCapsLockWayland final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void firstKeyTellsTheState();

private:
    static void key(const char *name)
    {
        QCOMPARE(QProcess::execute(u"xdotool"_s, {u"key"_s, QString::fromLatin1(name)}), 0);
    }
};

void TestCapsLockWayland::initTestCase()
{
    if (!QGuiApplication::platformName().startsWith("wayland"_L1))
        QSKIP("needs a Wayland compositor");
}

void TestCapsLockWayland::firstKeyTellsTheState()
{
    QCOMPARE(CapsLock::state(), std::nullopt);

    QMainWindow window;
    auto *bar = new StatusBar;
    window.setStatusBar(bar);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    bar->followCapsLock(qApp);

    // Whatever the lock's state at start, the first key tells it; Caps Lock then flips it.
    key("shift");
    QTest::qWait(300);
    const bool before = bar->findChild<QLabel *>(u"panel2"_s)->isEnabled();
    key("Caps_Lock");
    QTRY_COMPARE(bar->findChild<QLabel *>(u"panel2"_s)->isEnabled(), !before);
    QCOMPARE(bar->findChild<QLabel *>(u"panel2"_s)->isEnabled(), !before);

    // A status bar that has seen no key yet learns the state from the first one, not only
    // from a Caps Lock press.
    for (const bool expected : {!before, before}) {
        auto *fresh = new StatusBar;
        fresh->setCapsLock(!expected);
        window.setStatusBar(fresh);
        fresh->followCapsLock(qApp);
        key("shift");
        QTRY_COMPARE(fresh->findChild<QLabel *>(u"panel2"_s)->isEnabled(), expected);
        if (expected != before)
            key("Caps_Lock");
        QTest::qWait(300);
    }
}

QTEST_MAIN(TestCapsLockWayland)
#include "tst_capslock_wayland.moc"
