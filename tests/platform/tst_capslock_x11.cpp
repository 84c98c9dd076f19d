#include "CapsLock.h"
#include "StatusBar.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;

// The real keyboard state through XKB, on an X server of its own where xdotool presses keys.
class TestCapsLockX11 final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void readsTheLockState();
    void statusBarFollowsTheKeyboard();

private:
    static void pressCapsLock();
};

void TestCapsLockX11::initTestCase()
{
    if (QGuiApplication::platformName() != "xcb"_L1)
        QSKIP("needs an X server");
}

void TestCapsLockX11::pressCapsLock()
{
    QCOMPARE(QProcess::execute(u"xdotool"_s, {u"key"_s, u"Caps_Lock"_s}), 0);
}

void TestCapsLockX11::readsTheLockState()
{
    const std::optional<bool> before = CapsLock::state();
    QVERIFY(before.has_value());
    pressCapsLock();
    QTRY_COMPARE(CapsLock::state(), std::optional(!*before));
    pressCapsLock();
    QTRY_COMPARE(CapsLock::state(), before);
}

void TestCapsLockX11::statusBarFollowsTheKeyboard()
{
    QMainWindow window;
    auto *bar = new StatusBar;
    window.setStatusBar(bar);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QVERIFY(bar->refreshCapsLock());
    const bool before = bar->findChild<QLabel *>(u"panel2"_s)->isEnabled();
    // A bar that starts following shows the keyboard's state before any key, either way.
    for (const bool expected : {!before, before}) {
        pressCapsLock();
        QTRY_COMPARE(CapsLock::state(), std::optional(expected));
        StatusBar fresh;
        fresh.setCapsLock(!expected);
        fresh.followCapsLock(nullptr);
        QCOMPARE(fresh.findChild<QLabel *>(u"panel2"_s)->isEnabled(), expected);
        QCOMPARE(fresh.findChild<QLabel *>(u"panel2"_s)->isEnabled(), expected);
    }

    pressCapsLock();
    QTRY_COMPARE(CapsLock::state(), std::optional(!before));
    QVERIFY(bar->refreshCapsLock());
    QCOMPARE(bar->findChild<QLabel *>(u"panel2"_s)->isEnabled(), !before);
    QCOMPARE(bar->findChild<QLabel *>(u"panel2"_s)->isEnabled(), !before);
    pressCapsLock();
    QTRY_COMPARE(CapsLock::state(), std::optional(before));
    QVERIFY(bar->refreshCapsLock());
    QCOMPARE(bar->findChild<QLabel *>(u"panel2"_s)->isEnabled(), before);
}

QTEST_MAIN(TestCapsLockX11)
#include "tst_capslock_x11.moc"
