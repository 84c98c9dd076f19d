#include "CapsLock.h"

#include <QInputDevice>
#include <QKeyEvent>
#include <QTest>

using namespace Qt::StringLiterals;

// Without an application no platform reads the keyboard: the state follows key events, from
// Caps Lock presses or, where the platform fills them in, from the native modifiers' Lock bit.
class TestCapsLockEvents final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void noKeyboardState();
    void followsKeyEvents_data();
    void followsKeyEvents();
    void platformsWithLockBit_data();
    void platformsWithLockBit();
};

void TestCapsLockEvents::noKeyboardState()
{
    QCOMPARE(CapsLock::state(), std::nullopt);
}

void TestCapsLockEvents::followsKeyEvents_data()
{
    QTest::addColumn<bool>("lockBitInEvents");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("key");
    QTest::addColumn<quint32>("nativeModifiers");
    QTest::addColumn<bool>("autoRepeat");
    QTest::addColumn<bool>("known");
    QTest::addColumn<bool>("expected");

    const int press = QEvent::KeyPress;
    const int release = QEvent::KeyRelease;
    const int caps = Qt::Key_CapsLock;
    const int a = Qt::Key_A;
    const bool on = true;
    const bool off = false;
    const bool keys = false;
    const bool mask = true;

    QTest::newRow("press turns on") << keys << press << caps << 0u << false << off << on;
    QTest::newRow("press turns off") << keys << press << caps << 0u << false << on << off;
    QTest::newRow("release changes nothing") << keys << release << caps << 0u << false << on << on;
    QTest::newRow("held key repeats nothing") << keys << press << caps << 0u << true << on << on;
    QTest::newRow("other key keeps on") << keys << press << a << 0u << false << on << on;
    QTest::newRow("other key keeps off") << keys << press << a << 0u << false << off << off;
    // A mask that is not the platform's own is no evidence.
    QTest::newRow("foreign mask ignored") << keys << press << a << 0x2u << false << off << off;

    // The mask is the state before the key: any key tells it, even the first one.
    QTest::newRow("key with lock bit") << mask << press << a << 0x2u << false << off << on;
    QTest::newRow("key without lock bit") << mask << press << a << 0x0u << false << on << off;
    QTest::newRow("lock with num lock") << mask << release << a << 0x12u << false << off << on;
    QTest::newRow("num lock alone") << mask << press << a << 0x10u << false << on << off;
    QTest::newRow("caps press flips the mask")
        << mask << press << caps << 0x2u << false << on << off;
    QTest::newRow("caps press from off") << mask << press << caps << 0x0u << false << on << on;
    QTest::newRow("caps release keeps known")
        << mask << release << caps << 0x2u << false << off << off;
}

void TestCapsLockEvents::followsKeyEvents()
{
    QFETCH(bool, lockBitInEvents);
    QFETCH(int, type);
    QFETCH(int, key);
    QFETCH(quint32, nativeModifiers);
    QFETCH(bool, autoRepeat);
    QFETCH(bool, known);
    QFETCH(bool, expected);

    // A keyboard of its own: the default one Qt makes up without an application is never freed.
    const QInputDevice keyboard(u"keyboard"_s, 1, QInputDevice::DeviceType::Keyboard);
    const QKeyEvent event(QEvent::Type(type), key, Qt::NoModifier, 0, 0, nativeModifiers, QString(),
                          autoRepeat, 1, &keyboard);
    QCOMPARE(CapsLock::afterKey(event, lockBitInEvents, known), expected);
}

void TestCapsLockEvents::platformsWithLockBit_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<bool>("expected");

    QTest::newRow("xcb") << u"xcb"_s << true;
    QTest::newRow("wayland") << u"wayland"_s << true;
    QTest::newRow("wayland-egl") << u"wayland-egl"_s << true;
    QTest::newRow("offscreen") << u"offscreen"_s << false;
    QTest::newRow("vnc") << u"vnc"_s << false;
    QTest::newRow("none") << QString() << false;
}

void TestCapsLockEvents::platformsWithLockBit()
{
    QFETCH(QString, platform);
    QFETCH(bool, expected);
    QCOMPARE(CapsLock::eventsCarryLockBit(platform), expected);
}

QTEST_APPLESS_MAIN(TestCapsLockEvents)
#include "tst_capslockevents.moc"
