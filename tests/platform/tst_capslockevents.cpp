#include "CapsLock.h"

#include <QInputDevice>
#include <QKeyEvent>
#include <QTest>

using namespace Qt::StringLiterals;

// Without an application no platform reads the keyboard: the state follows Caps Lock presses.
class TestCapsLockEvents final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void noKeyboardState();
    void followsPresses_data();
    void followsPresses();
};

void TestCapsLockEvents::noKeyboardState()
{
    QCOMPARE(CapsLock::state(), std::nullopt);
}

void TestCapsLockEvents::followsPresses_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("autoRepeat");
    QTest::addColumn<std::optional<bool>>("known");
    QTest::addColumn<std::optional<bool>>("expected");

    const int press = QEvent::KeyPress;
    const int release = QEvent::KeyRelease;
    const int caps = Qt::Key_CapsLock;
    const std::optional<bool> unknown;

    QTest::newRow("press turns on")
        << press << caps << false << std::optional(false) << std::optional(true);
    QTest::newRow("press turns off")
        << press << caps << false << std::optional(true) << std::optional(false);
    QTest::newRow("press from unknown") << press << caps << false << unknown << std::optional(true);
    QTest::newRow("release changes nothing")
        << release << caps << false << std::optional(true) << std::optional(true);
    QTest::newRow("held key repeats nothing")
        << press << caps << true << std::optional(true) << std::optional(true);
    QTest::newRow("other key keeps on")
        << press << int(Qt::Key_A) << false << std::optional(true) << std::optional(true);
    QTest::newRow("other key keeps unknown")
        << press << int(Qt::Key_A) << false << unknown << unknown;
}

void TestCapsLockEvents::followsPresses()
{
    QFETCH(int, type);
    QFETCH(int, key);
    QFETCH(bool, autoRepeat);
    QFETCH(std::optional<bool>, known);
    QFETCH(std::optional<bool>, expected);

    // A keyboard of its own: the default one Qt makes up without an application is never freed.
    const QInputDevice keyboard(u"keyboard"_s, 1, QInputDevice::DeviceType::Keyboard);
    const QKeyEvent event(QEvent::Type(type), key, Qt::NoModifier, 0, 0, 0, QString(), autoRepeat,
                          1, &keyboard);
    QCOMPARE(CapsLock::fromKeyEvent(event, known), expected);
}

QTEST_APPLESS_MAIN(TestCapsLockEvents)
#include "tst_capslockevents.moc"
