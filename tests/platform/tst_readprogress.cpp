#include "ReadProgress.h"

#include <QApplication>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <climits>
#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr qint64 MiB = 1024 * 1024;
constexpr qint64 GiB = 1024 * MiB;

QPushButton *cancelButton(const QProgressDialog *dialog)
{
    const QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
    return buttons.size() == 1 ? buttons.first() : nullptr;
}

} // namespace

Q_DECLARE_METATYPE(ReadProgress::Steps)

class TestReadProgress final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_window;

private Q_SLOTS:
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_window->resize(300, 100);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void steps_data();
    void steps();
    void quickReadingShowsNothing();
    void longReadingShowsModalDialog();
    void stops_data();
    void stops();
};

void TestReadProgress::steps_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<ReadProgress::Steps>("expected");

    QTest::newRow("empty file") << qint64(0) << qint64(0) << ReadProgress::Steps{0, 0};
    QTest::newRow("grew from empty") << 4096LL << qint64(0) << ReadProgress::Steps{0, 0};
    QTest::newRow("bytes as they are") << 100LL << 400LL << ReadProgress::Steps{100, 400};
    QTest::newRow("largest int range")
        << qint64(INT_MAX) << qint64(INT_MAX) << ReadProgress::Steps{INT_MAX, INT_MAX};
    QTest::newRow("one past the int range, half read")
        << GiB << 2 * GiB << ReadProgress::Steps{int(GiB / 2), int(GiB)};
    QTest::newRow("1 TiB, half read")
        << 512 * GiB << 1024 * GiB << ReadProgress::Steps{1 << 29, 1 << 30};
    // 5 GiB + 3 does not divide evenly; the end must still be full.
    QTest::newRow("end of an odd huge file")
        << 5 * GiB + 3 << 5 * GiB + 3 << ReadProgress::Steps{1342177280, 1342177280};
    QTest::newRow("file grew while read") << 500LL << 400LL << ReadProgress::Steps{400, 400};
}

void TestReadProgress::steps()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(ReadProgress::Steps, expected);

    const ReadProgress::Steps actual = ReadProgress::steps(done, total);
    QCOMPARE(actual.value, expected.value);
    QCOMPARE(actual.maximum, expected.maximum);
}

void TestReadProgress::quickReadingShowsNothing()
{
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&ticks] { ++ticks; });
    timer.start(0);

    ReadProgress progress(m_window.get(), u"Apri Tabella..."_s, u"Lettura di a.tbl..."_s, 10s);
    for (qint64 done = MiB; done <= 64 * MiB; done += MiB)
        QVERIFY(progress.update(done, 64 * MiB));

    // The event loop ran between blocks, but nothing was shown.
    QVERIFY(ticks > 0);
    QVERIFY(!progress.dialog());
    QVERIFY(m_window->findChildren<QProgressDialog *>().isEmpty());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestReadProgress::longReadingShowsModalDialog()
{
    QPointer<QProgressDialog> shown;
    {
        ReadProgress progress(m_window.get(), u"Apri Tabella..."_s, u"Lettura di a.tbl..."_s,
                              200ms);
        QVERIFY(progress.update(MiB, 4 * MiB));
        QVERIFY(!progress.dialog());

        QThread::msleep(250);
        QVERIFY(progress.update(2 * MiB, 4 * MiB));
        shown = progress.dialog();
        QVERIFY(shown);
        QVERIFY(shown->isVisible());
        QCOMPARE(shown->windowModality(), Qt::WindowModal);
        QCOMPARE(QApplication::activeModalWidget(), shown.data());
        QCOMPARE(shown->parentWidget(), m_window.get());
        QCOMPARE(shown->windowTitle(), u"Apri Tabella..."_s);
        QCOMPARE(shown->labelText(), u"Lettura di a.tbl..."_s);
        QVERIFY(cancelButton(shown));
        QCOMPARE(cancelButton(shown)->text(), u"Annulla"_s);
        QCOMPARE(shown->maximum(), int(4 * MiB));
        QCOMPARE(shown->value(), int(2 * MiB));

        // A file beyond the int range still fills the bar in proportion.
        QVERIFY(progress.update(3 * GiB, 6 * GiB));
        QVERIFY(shown->maximum() > INT_MAX / 2);
        QCOMPARE(shown->value(), shown->maximum() / 2);
        QVERIFY(progress.update(6 * GiB, 6 * GiB));
        QCOMPARE(shown->value(), shown->maximum());
        // A full bar does not close the dialog while the reading goes on.
        QVERIFY(shown->isVisible());
    }
    // The dialog goes with the reading.
    QVERIFY(!shown);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestReadProgress::stops_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << u"button"_s;
    QTest::newRow("Escape") << u"escape"_s;
    QTest::newRow("dialog closed") << u"close"_s;
    QTest::newRow("cancel()") << u"call"_s;
}

void TestReadProgress::stops()
{
    QFETCH(QString, how);

    ReadProgress progress(m_window.get(), u"Apri Tabella..."_s, u"Lettura di a.tbl..."_s, 0ms);
    QVERIFY(progress.update(MiB, 8 * MiB));
    QProgressDialog *dialog = progress.dialog();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QVERIFY(!progress.cancelled());

    if (how == u"button")
        cancelButton(dialog)->click();
    else if (how == u"escape")
        QTest::keyClick(dialog, Qt::Key_Escape);
    else if (how == u"close")
        dialog->close();
    else
        progress.cancel();

    QVERIFY(progress.cancelled());
    QVERIFY(!progress.update(2 * MiB, 8 * MiB));
    QVERIFY(!progress.update(3 * MiB, 8 * MiB));
}

QTEST_MAIN(TestReadProgress)
#include "tst_readprogress.moc"
