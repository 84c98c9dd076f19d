// The session's reading on a worker thread: the caller's thread keeps running, the outcome comes
// back as a signal, and a cancel or the session's end lets go of a reading that never returns.
#include "CharacterTable.h"
#include "ReadGate.h"
#include "TableSession.h"
#include "TestFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TableReadResult)

namespace {

TableReadResult resultOf(const QSignalSpy &spy, qsizetype i = 0)
{
    return spy.at(i).at(0).value<TableReadResult>();
}

// Loads through startLoad() and waits for the outcome: whether the load ended well in time.
bool loadsWell(TableSession &session, const QString &path)
{
    QSignalSpy finished(&session, &TableSession::loadFinished);
    return session.startLoad(QFile::encodeName(path)) &&
           (!finished.isEmpty() || finished.wait(10'000)) && resultOf(finished).ok();
}

} // namespace

class TestTableSessionThread final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_small;
    QString m_big;

private Q_SLOTS:
    void initTestCase()
    {
        qRegisterMetaType<TableReadResult>();
        QVERIFY(m_dir.isValid());
        m_small = m_dir.filePath(u"piccola.tbl"_s);
        QVERIFY(TestFiles::writeRepeated(m_small, "41=A\r\n", 12));
        m_big = m_dir.filePath(u"grande.tbl"_s);
        QVERIFY(TestFiles::writeTable(m_big, 8 * TestFiles::MiB));
    }

    void readsOffTheCallersThread()
    {
        auto gate = std::make_shared<ReadGate>();
        TableSession session(ReadGate::gatedRead(gate));
        QSignalSpy finished(&session, &TableSession::loadFinished);
        QSignalSpy progressed(&session, &TableSession::progressed);

        QVERIFY(session.startLoad(QFile::encodeName(m_big)));
        QTRY_COMPARE(gate->arrived(), 1);
        // Held at the gate, and this thread still turns its event loop.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start(1);
        QTRY_VERIFY(ticks >= 20);
        QCOMPARE(finished.size(), 0);
        QVERIFY(!session.hasTable());
        // One reading at a time.
        QVERIFY(!session.startLoad(QFile::encodeName(m_small)));
        QCOMPARE(gate->arrived(), 1);

        gate->open();
        QVERIFY(finished.wait(10'000));
        QCOMPARE(finished.size(), 1);
        QVERIFY(resultOf(finished).ok());
        QCOMPARE(session.filePath(), m_big);
        QCOMPARE(session.fileName(), u"grande.tbl"_s);
        QCOMPARE(session.table().entry(0xFF), u"z"_s);
        QVERIFY(!progressed.isEmpty());
        const QList<QVariant> last = progressed.constLast();
        QCOMPARE(last.at(0).toLongLong(), 8 * TestFiles::MiB);
        QCOMPARE(last.at(1).toLongLong(), 8 * TestFiles::MiB);
    }

    void cancelLetsGoOfAStuckReading_data()
    {
        QTest::addColumn<bool>("tableBefore");
        QTest::newRow("first") << false;
        QTest::newRow("after a table") << true;
    }

    void cancelLetsGoOfAStuckReading()
    {
        QFETCH(bool, tableBefore);

        // Never opened: a read() of the big file that never returns.
        auto gate = std::make_shared<ReadGate>();
        TableSession session(ReadGate::gatedRead(gate, m_big));
        if (tableBefore)
            QVERIFY(loadsWell(session, m_small));
        const CharacterTable table = session.table();
        const QString path = session.filePath();

        QSignalSpy finished(&session, &TableSession::loadFinished);
        QVERIFY(session.startLoad(QFile::encodeName(m_big)));
        QTRY_COMPARE(gate->arrived(), 1);

        QElapsedTimer clock;
        clock.start();
        session.cancel();
        // A hang guard: this takes ~0 ms.
        QVERIFY2(clock.elapsed() < 1000, "cancel waited for the stuck reading");
        QCOMPARE(finished.size(), 1);
        QCOMPARE(resultOf(finished).outcome, TableReadResult::Outcome::Cancelled);
        QCOMPARE(session.table(), table);
        QCOMPARE(session.filePath(), path);

        // The session is free for the next reading while the stuck one stays stuck.
        QVERIFY(session.startLoad(QFile::encodeName(m_small)));
        QVERIFY(finished.wait(10'000));
        QCOMPARE(finished.size(), 2);
        QVERIFY(resultOf(finished, 1).ok());
        QCOMPARE(session.filePath(), m_small);
        QCOMPARE(gate->left(), 0);
    }

    void cancelledReadingThatEndsLaterChangesNothing()
    {
        auto gate = std::make_shared<ReadGate>();
        TableSession session(ReadGate::gatedRead(gate, m_big));
        QVERIFY(loadsWell(session, m_small));
        const CharacterTable table = session.table();

        QSignalSpy finished(&session, &TableSession::loadFinished);
        QSignalSpy progressed(&session, &TableSession::progressed);
        QVERIFY(session.startLoad(QFile::encodeName(m_big)));
        QTRY_COMPARE(gate->arrived(), 1);
        session.cancel();
        QCOMPARE(finished.size(), 1);

        // The worker comes back, sees the cancel at its first block, and reports to nobody.
        gate->open();
        QTRY_COMPARE(gate->left(), 1);
        QTest::qWait(50);
        QCOMPARE(finished.size(), 1);
        QVERIFY(progressed.isEmpty());
        QCOMPARE(session.table(), table);
        QCOMPARE(session.filePath(), m_small);
    }

    void sessionGoesWhileReading()
    {
        auto gate = std::make_shared<ReadGate>();
        {
            TableSession session(ReadGate::gatedRead(gate));
            QVERIFY(session.startLoad(QFile::encodeName(m_big)));
            QTRY_COMPARE(gate->arrived(), 1);
        }
        // The worker outlives the session and must touch nothing of it.
        gate->open();
        QTRY_COMPARE(gate->left(), 1);
        QTest::qWait(50);
    }
};

QTEST_GUILESS_MAIN(TestTableSessionThread)
#include "tst_tablesessionthread.moc"
