#include "CharacterTable.h"
#include "TableParser.h"
#include "TableReader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString examples()
{
    return qEnvironmentVariable("VERZINO_EXAMPLES");
}

CharacterTable loadedTable()
{
    TableParser parser;
    parser.feed("41=A\r\n42=previous\r\n");
    parser.finish();
    CharacterTable table;
    table.merge(parser);
    return table;
}

} // namespace

class TestTableReader final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsTheExamples()
    {
        CharacterTable table;
        const TableReadResult result =
            readTableFile(QFile::encodeName(examples() + u"/italiano.tbl"_s), table);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(table.entry(0x41), u"A"_s);
        QCOMPARE(table.entry(0x61), u"a"_s);
        QCOMPARE(table.entry(0x20), u" "_s);
        QCOMPARE(table.entry(0x80), QString::fromUtf8("à"));
        QCOMPARE(table.entry(0x8F), QString::fromUtf8("€"));
        QCOMPARE(table.entry(0xFE), u"[FINE]"_s);
        QCOMPARE(table.entry(0x00), u"#"_s);
        QVERIFY(table.defines(QChar(0xE8)));
        QVERIFY(!table.defines(u'@'));

        CharacterTable upper;
        QVERIFY(readTableFile(QFile::encodeName(examples() + u"/maiuscole.tbl"_s), upper).ok());
        QVERIFY(upper.defines(u'Z'));
        QVERIFY(!upper.defines(u'z'));
    }

    // A table saved by a Linux editor: "e8=è" defines è, not "Ã¨", and the mark is no part of
    // the first line; after a UTF-16 mark, the same.
    void utf8Tables_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("without the mark") << QByteArray("41=A\r\ne8=\xC3\xA8\r\n80=\xE2\x82\xAC\n");
        QTest::newRow("with the mark") << QByteArray("\xEF\xBB\xBF"
                                                     "41=A\r\ne8=\xC3\xA8\r\n80=\xE2\x82\xAC\n");
        // Windows Notepad's "Unicode": UTF-16 after its mark, in either byte order.
        for (const bool bigEndian : {false, true}) {
            QByteArray bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
            for (const QChar ch : u"41=A\r\ne8=\u00e8\r\n80=\u20ac\n"_s) {
                const char high = char(ch.unicode() >> 8), low = char(ch.unicode() & 0xFF);
                bytes += bigEndian ? high : low;
                bytes += bigEndian ? low : high;
            }
            QTest::newRow(bigEndian ? "UTF-16 BE" : "UTF-16 LE") << bytes;
        }
    }
    void utf8Tables()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        QFile file(dir.filePath(u"utf8.tbl"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), qint64(bytes.size()));
        file.close();
        CharacterTable table;
        QVERIFY(readTableFile(QFile::encodeName(file.fileName()), table).ok());
        QCOMPARE(table.entry(0x41), u"A"_s);
        QCOMPARE(table.entry(0xE8), u"è"_s);
        QCOMPARE(table.entry(0x80), u"€"_s);
        QVERIFY(table.defines(u'è'));
        QVERIFY(table.defines(u'€'));
    }

    // The file source's refusals, each kind tested there: here, the reason goes into a sentence
    // that names the file, and the table is left as it was.
    void failuresLeaveTheTableUntouched_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing file") << u"manca.tbl"_s << u"il file non esiste"_s;
        QTest::newRow("folder") << QString() << u"è una cartella"_s;
    }
    void failuresLeaveTheTableUntouched()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = name.isEmpty() ? dir.path() : dir.filePath(name);

        CharacterTable table = loadedTable();
        const CharacterTable before = table;
        const TableReadResult result = readTableFile(QFile::encodeName(path), table);
        QCOMPARE(result.outcome, TableReadResult::Outcome::Failed);
        QCOMPARE(result.error, u"Impossibile leggere la tabella \"%1\": %2."_s.arg(path, reason));
        QVERIFY(table == before);
    }

    void cancelLeavesTheTableUntouched()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(u"big.tbl"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < 100000; ++i)
            file.write("41=Z\r\n");
        file.close();

        CharacterTable table = loadedTable();
        const CharacterTable before = table;
        int calls = 0;
        qint64 lastTotal = 0;
        const TableReadResult result = readTableFile(QFile::encodeName(file.fileName()), table,
                                                     [&](qint64 done, qint64 total) {
                                                         lastTotal = total;
                                                         return ++calls < 2 && done < total;
                                                     });
        QCOMPARE(result.outcome, TableReadResult::Outcome::Cancelled);
        QCOMPARE(lastTotal, file.size());
        QCOMPARE(calls, 2);
        QVERIFY(table == before);

        // Without a cancel the same file reads through, with progress up to its size.
        qint64 lastDone = 0;
        QVERIFY(readTableFile(QFile::encodeName(file.fileName()), table, [&](qint64 done, qint64) {
                    lastDone = done;
                    return true;
                }).ok());
        QCOMPARE(lastDone, file.size());
        QCOMPARE(table.entry(0x41), u"Z"_s);
    }

    void symlinkToAFileIsRead()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(u"link.tbl"_s);
        QVERIFY(QFile::link(examples() + u"/maiuscole.tbl"_s, link));
        CharacterTable table;
        QVERIFY(readTableFile(QFile::encodeName(link), table).ok());
        QCOMPARE(table.entry(0x5A), u"Z"_s);
    }
};

QTEST_APPLESS_MAIN(TestTableReader)
#include "tst_tablereader.moc"
