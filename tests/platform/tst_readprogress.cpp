#include "ReadProgress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <climits>
#include <memory>

namespace {

// The progress dialog of the window while it shows, null otherwise.
QProgressDialog *dialogOf(QWidget *window)
{
    auto *dialog = window->findChild<QProgressDialog *>();
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

} // namespace

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
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void steps_data();
    void steps();
    void quickReadingShowsNothing();
    void longReadingShowsDialog();
    void updatesRunNoEvents();
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
    ReadProgress progress(m_window.get(), u"Apri Tabella..."_s, u"Lettura di a.tbl..."_s, 10s);
    for (qint64 done = MiB; done <= 64 * MiB; done += MiB)
        progress.setProgress(done, 64 * MiB);
    QTest::qWait(100);

    QVERIFY(!dialogOf(m_window.get()));
    QVERIFY(m_window->findChildren<QProgressDialog *>().isEmpty());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestReadProgress::longReadingShowsDialog()
{
    QPointer<QProgressDialog> shown;
    {
        QElapsedTimer clock;
        clock.start();
        ReadProgress progress(m_window.get(), u"Apri Tabella..."_s, u"Lettura di a.tbl..."_s,
                              200ms);
        progress.setProgress(2 * MiB, 4 * MiB);
        QVERIFY(!dialogOf(m_window.get()));
        QTRY_VERIFY(dialogOf(m_window.get()));
        QVERIFY(clock.elapsed() >= 200);
        shown = dialogOf(m_window.get());
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        // The keyboard stays where it was.
        QCOMPARE(shown->windowModality(), Qt::NonModal);
        QTRY_COMPARE(QApplication::activeWindow(), m_window.get());
        QCOMPARE(cancelButton(shown)->focusPolicy(), Qt::NoFocus);
        QCOMPARE(shown->parentWidget(), m_window.get());
        QCOMPARE(shown->windowTitle(), u"Apri Tabella..."_s);
        QCOMPARE(shown->labelText(), u"Lettura di a.tbl..."_s);
        QVERIFY(cancelButton(shown));
        QCOMPARE(cancelButton(shown)->text(), u"Annulla"_s);
        // What was reported before the dialog showed is on it.
        QCOMPARE(shown->maximum(), int(4 * MiB));
        QCOMPARE(shown->value(), int(2 * MiB));

        // A file beyond the int range still fills the bar in proportion.
        progress.setProgress(3 * GiB, 6 * GiB);
        QVERIFY(shown->maximum() > INT_MAX / 2);
        QCOMPARE(shown->value(), shown->maximum() / 2);
        progress.setProgress(6 * GiB, 6 * GiB);
        QCOMPARE(shown->value(), shown->maximum());
        // A full bar does not close the dialog while the reading goes on.
        QVERIFY(shown->isVisible());
    }
    // The dialog goes with the reading.
    QVERIFY(!shown || !shown->isVisible());
    QTRY_VERIFY(!shown);
    QVERIFY(!QApplication::activeModalWidget());
}

void TestReadProgress::updatesRunNoEvents()
{
    ReadProgress progress(m_window.get(), u"Apri Tabella..."_s, u"Lettura..."_s, 0ms);
    QTRY_VERIFY(dialogOf(m_window.get()));
    bool ran = false;
    QTimer::singleShot(0, this, [&ran] { ran = true; });
    for (qint64 done = 0; done <= 64 * MiB; done += MiB)
        progress.setProgress(done, 64 * MiB);
    // Only the caller's event loop runs events.
    QVERIFY(!ran);
    QTRY_VERIFY(ran);
}

void TestReadProgress::stops_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << u"button"_s;
    QTest::newRow("Escape") << u"escape"_s;
    QTest::newRow("dialog closed") << u"close"_s;
}

void TestReadProgress::stops()
{
    QFETCH(QString, how);

    auto progress = std::make_unique<ReadProgress>(m_window.get(), u"Apri Tabella..."_s,
                                                   u"Lettura di a.tbl..."_s, 0ms);
    QSignalSpy canceled(progress.get(), &ReadProgress::canceled);
    // The reading's owner may let go of it from inside the signal.
    connect(progress.get(), &ReadProgress::canceled, this, [&progress] { progress.reset(); });
    QTRY_VERIFY(dialogOf(m_window.get()));
    QPointer<QProgressDialog> dialog = dialogOf(m_window.get());
    QVERIFY(QTest::qWaitForWindowExposed(dialog));

    if (how == u"button")
        cancelButton(dialog)->click();
    else if (how == u"escape")
        QTest::keyClick(m_window.get(), Qt::Key_Escape); // the dialog never has the keyboard
    else
        dialog->close();

    QCOMPARE(canceled.size(), 1);
    QVERIFY(!progress);
    QTRY_VERIFY(!dialog);
}

QTEST_MAIN(TestReadProgress)
#include "tst_readprogress.moc"
