#include "CharacterTable.h"
#include "TableParser.h"
#include "TableSession.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TableReadResult)

namespace {

// Loads through startLoad(), as the window does, and waits for loadFinished; nothing when the
// load did not start or did not end in time.
std::optional<TableReadResult> loadAndWait(TableSession &session, const QString &path)
{
    QSignalSpy finished(&session, &TableSession::loadFinished);
    if (!session.startLoad(QFile::encodeName(path)) ||
        (finished.isEmpty() && !finished.wait(10'000)))
        return std::nullopt;
    return finished.constFirst().constFirst().value<TableReadResult>();
}

bool loadsWell(TableSession &session, const QString &path)
{
    const std::optional<TableReadResult> result = loadAndWait(session, path);
    return result && result->ok();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The real reader, except for "fallita.tbl" and "annullata.tbl": their reading scribbles over
// the table it was handed, then fails or is cancelled.
TableReadResult readOrScribble(const QByteArray &path, CharacterTable &table,
                               const TableReadProgress &progress)
{
    const QString name = QFileInfo(QFile::decodeName(path)).fileName();
    if (name != u"fallita.tbl" && name != u"annullata.tbl")
        return readTableFile(path, table, progress);
    TableParser scribble;
    for (int code = 0; code < CharacterTable::Size; ++code)
        scribble.feed(QByteArray::number(code + 0x100, 16).sliced(1).append("=?\n").toStdString());
    scribble.finish();
    table.merge(scribble);
    if (name == u"fallita.tbl")
        return {TableReadResult::Outcome::Failed,
                u"Impossibile leggere la tabella \"%1\""_s.arg(QFile::decodeName(path))};
    return {TableReadResult::Outcome::Cancelled, {}};
}

} // namespace

class TestTableSession final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_first;
    QString m_second;

private Q_SLOTS:
    void initTestCase()
    {
        qRegisterMetaType<TableReadResult>();
        QVERIFY(m_dir.isValid());
        m_first = m_dir.filePath(u"prima.tbl"_s);
        m_second = m_dir.filePath(u"seconda.tbl"_s);
        writeFile(m_first, "41=A\r\n42=B\r\n");
        writeFile(m_second, "42=X\r\n43=\r\n");
    }

    void startsWithoutTable()
    {
        const TableSession session;
        QVERIFY(!session.hasTable());
        QVERIFY(session.filePath().isEmpty());
        QVERIFY(session.fileName().isEmpty());
        QCOMPARE(session.table(), CharacterTable());
    }

    void loadsAndMerges()
    {
        TableSession session;
        QVERIFY(loadsWell(session, m_first));
        QVERIFY(session.hasTable());
        QCOMPARE(session.filePath(), m_first);
        QCOMPARE(session.fileName(), u"prima.tbl"_s);
        QCOMPARE(session.table().entry(0x41), u"A"_s);
        QCOMPARE(session.table().entry(0x61), u"#"_s);

        QVERIFY(loadsWell(session, m_second));
        QCOMPARE(session.filePath(), m_second);
        QCOMPARE(session.fileName(), u"seconda.tbl"_s);
        QCOMPARE(session.table().entry(0x41), u"A"_s);
        QCOMPARE(session.table().entry(0x42), u"X"_s);
        QCOMPARE(session.table().entry(0x43), u"#"_s);
    }

    void unsuccessfulLoadChangesNothing_data()
    {
        QTest::addColumn<bool>("tableBefore");
        QTest::addColumn<QString>("how");

        for (const bool before : {false, true}) {
            const char *when = before ? "after a table" : "first";
            QTest::addRow("missing file, %s", when) << before << u"missing"_s;
            QTest::addRow("a folder, %s", when) << before << u"folder"_s;
            QTest::addRow("failed half-way, %s", when) << before << u"failed"_s;
            QTest::addRow("cancelled half-way, %s", when) << before << u"cancelled"_s;
        }
    }

    void unsuccessfulLoadChangesNothing()
    {
        QFETCH(bool, tableBefore);
        QFETCH(QString, how);

        TableSession session(readOrScribble);
        if (tableBefore)
            QVERIFY(loadsWell(session, m_first));
        const CharacterTable table = session.table();
        const QString path = session.filePath();
        const QString name = session.fileName();

        QString target = m_second;
        if (how == u"missing")
            target = m_dir.filePath(u"manca.tbl"_s);
        else if (how == u"folder")
            target = m_dir.path();
        else if (how == u"failed")
            target = m_dir.filePath(u"fallita.tbl"_s);
        else
            target = m_dir.filePath(u"annullata.tbl"_s);

        const std::optional<TableReadResult> result = loadAndWait(session, target);
        QVERIFY(result);
        QVERIFY(!result->ok());
        if (how != u"cancelled")
            QVERIFY2(result->error.contains(target), qPrintable(result->error));
        QCOMPARE(session.table(), table);
        QCOMPARE(session.filePath(), path);
        QCOMPARE(session.fileName(), name);
        QCOMPARE(session.hasTable(), tableBefore);

        // The same session loads a readable file again.
        QVERIFY(loadsWell(session, m_second));
        QCOMPARE(session.fileName(), u"seconda.tbl"_s);
    }
};

QTEST_GUILESS_MAIN(TestTableSession)
#include "tst_tablesession.moc"
