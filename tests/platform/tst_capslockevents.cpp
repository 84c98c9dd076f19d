#include "CapsLock.h"
#include "CapsLockSource.h"
#include "KeyEventCapsLock.h"

#include <QInputDevice>
#include <QKeyEvent>
#include <QTest>

using namespace Qt::StringLiterals;

using Native = KeyEventCapsLock::NativeModifiers;
Q_DECLARE_METATYPE(Native)

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
    QCOMPARE(CapsLockSource::forPlatform()->current(), std::nullopt);
}

void TestCapsLockEvents::followsKeyEvents_data()
{
    QTest::addColumn<Native>("native");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("key");
    QTest::addColumn<quint32>("nativeModifiers");
    QTest::addColumn<bool>("autoRepeat");
    QTest::addColumn<std::optional<bool>>("known");
    QTest::addColumn<std::optional<bool>>("expected");

    const int press = QEvent::KeyPress;
    const int release = QEvent::KeyRelease;
    const int caps = Qt::Key_CapsLock;
    const int a = Qt::Key_A;
    const std::optional<bool> unknown;
    const std::optional<bool> on(true);
    const std::optional<bool> off(false);
    const Native keys = Native::Ignored;
    const Native mask = Native::CarryLock;

    QTest::newRow("press turns on") << keys << press << caps << 0u << false << off << on;
    QTest::newRow("press turns off") << keys << press << caps << 0u << false << on << off;
    QTest::newRow("press from unknown") << keys << press << caps << 0u << false << unknown << on;
    QTest::newRow("release changes nothing") << keys << release << caps << 0u << false << on << on;
    QTest::newRow("held key repeats nothing") << keys << press << caps << 0u << true << on << on;
    QTest::newRow("other key keeps on") << keys << press << a << 0u << false << on << on;
    QTest::newRow("other key keeps unknown")
        << keys << press << a << 0u << false << unknown << unknown;
    // A mask that is not the platform's own is no evidence.
    QTest::newRow("foreign mask ignored") << keys << press << a << 0x2u << false << off << off;

    // The mask is the state before the key: any key tells it, even the first one.
    QTest::newRow("key with lock bit") << mask << press << a << 0x2u << false << unknown << on;
    QTest::newRow("key without lock bit") << mask << press << a << 0x0u << false << on << off;
    QTest::newRow("lock with num lock") << mask << release << a << 0x12u << false << off << on;
    QTest::newRow("num lock alone") << mask << press << a << 0x10u << false << on << off;
    QTest::newRow("caps press flips the mask")
        << mask << press << caps << 0x2u << false << unknown << off;
    QTest::newRow("caps press from off") << mask << press << caps << 0x0u << false << on << on;
    QTest::newRow("caps release keeps known")
        << mask << release << caps << 0x2u << false << off << off;
}

void TestCapsLockEvents::followsKeyEvents()
{
    QFETCH(Native, native);
    QFETCH(int, type);
    QFETCH(int, key);
    QFETCH(quint32, nativeModifiers);
    QFETCH(bool, autoRepeat);
    QFETCH(std::optional<bool>, known);
    QFETCH(std::optional<bool>, expected);

    // A keyboard of its own: the default one Qt makes up without an application is never freed.
    const QInputDevice keyboard(u"keyboard"_s, 1, QInputDevice::DeviceType::Keyboard);
    const QKeyEvent event(QEvent::Type(type), key, Qt::NoModifier, 0, 0, nativeModifiers, QString(),
                          autoRepeat, 1, &keyboard);
    QCOMPARE(KeyEventCapsLock(native).fromKeyEvent(event, known), expected);
}

void TestCapsLockEvents::platformsWithLockBit_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<Native>("expected");

    QTest::newRow("xcb") << u"xcb"_s << Native::CarryLock;
    QTest::newRow("wayland") << u"wayland"_s << Native::CarryLock;
    QTest::newRow("wayland-egl") << u"wayland-egl"_s << Native::CarryLock;
    QTest::newRow("offscreen") << u"offscreen"_s << Native::Ignored;
    QTest::newRow("vnc") << u"vnc"_s << Native::Ignored;
    QTest::newRow("none") << QString() << Native::Ignored;
}

void TestCapsLockEvents::platformsWithLockBit()
{
    QFETCH(QString, platform);
    QFETCH(Native, expected);
    QCOMPARE(KeyEventCapsLock::nativeModifiersOf(platform), expected);
}

QTEST_APPLESS_MAIN(TestCapsLockEvents)
#include "tst_capslockevents.moc"
