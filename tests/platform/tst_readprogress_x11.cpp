#include "ReadProgress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// Keys typed on a real X server while a reading runs and its dialog is not yet due: they wait
// in the queue until the reading ends, then arrive in order.
class TestReadProgressX11 final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void keysWaitForTheReading();
};

void TestReadProgressX11::initTestCase()
{
    if (QGuiApplication::platformName() != "xcb"_L1)
        QSKIP("needs an X server");
}

void TestReadProgressX11::keysWaitForTheReading()
{
    QLineEdit edit;
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));

    QProcess typist;
    typist.start(u"xdotool"_s, {u"windowfocus"_s, u"--sync"_s, QString::number(edit.winId()),
                                u"type"_s, u"--delay"_s, u"20"_s, u"abc"_s});
    QVERIFY(typist.waitForStarted());

    {
        // A reading of small blocks that lasts until xdotool is done, and a little longer so
        // that its keys have reached the program.
        ReadProgress progress(&edit, u"Apri Tabella..."_s, u"Lettura..."_s, 1h);
        QElapsedTimer clock;
        clock.start();
        qint64 typedAt = -1;
        while (typedAt < 0 || clock.elapsed() < typedAt + 300) {
            QVERIFY2(clock.elapsed() < 20'000, "xdotool did not finish");
            QThread::usleep(1000);
            QVERIFY(progress.update(clock.elapsed(), 0));
            if (typedAt < 0 && typist.state() == QProcess::NotRunning)
                typedAt = clock.elapsed();
        }
        QCOMPARE(typist.exitStatus(), QProcess::NormalExit);
        QCOMPARE(typist.exitCode(), 0);
        QVERIFY(!progress.dialog());
        QCOMPARE(edit.text(), QString());
    }
    QTRY_COMPARE(edit.text(), u"abc"_s);
}

QTEST_MAIN(TestReadProgressX11)
#include "tst_readprogress_x11.moc"
