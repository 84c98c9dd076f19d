// Files no table should ever be, read without hurting the program: huge, binary, one endless
// line. Each must end, keep memory bounded and leave a sound table.
#include "CharacterTable.h"
#include "TableReader.h"
#include "TestFiles.h"

#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using TestFiles::MiB;
using TestFiles::writeRepeated;

// Peak resident memory in bytes since the last reset, from the kernel.
qint64 peakResident()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    }
    return -1;
}

// One line: head, then pattern repeated to `total` bytes, then "42=B" on a line of its own.
bool writeLine(const QString &path, const QByteArray &head, const QByteArray &pattern, qint64 total)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(head) != head.size())
        return false;
    const QByteArray block = pattern.repeated(MiB / pattern.size());
    for (qint64 written = 0; written < total; written += block.size()) {
        if (file.write(block) != block.size())
            return false;
    }
    return file.write("\r\n42=B\r\n") == 8;
}

bool resetPeakResident()
{
    QFile clear(u"/proc/self/clear_refs"_s);
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

} // namespace

class TestLargeFiles final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void oneGigabyteOfOrdinaryLines()
    {
        if (QStorageInfo(m_dir.path()).bytesAvailable() < 3 * 1024 * MiB)
            QSKIP("less than 3 GiB free for the temporary file");
        const QString path = m_dir.filePath(u"giga.tbl"_s);
        // Definitions, a heading and four-digit codes: about 1 GiB of ordinary table lines.
        QVERIFY(
            writeRepeated(path, "41=A\r\n42=Bb\r\n; commento\r\n4142=AB\r\nff=z\r\n", 1024 * MiB));

        CharacterTable table;
        QVERIFY(resetPeakResident());
        const qint64 before = peakResident();
        QVERIFY(before > 0);
        const TableReadResult result = readTableFile(QFile::encodeName(path), table);
        const qint64 growth = peakResident() - before;
        QVERIFY2(result.ok(), qPrintable(result.error));
        qInfo("peak resident memory grew by %.1f MiB reading 1 GiB", double(growth) / MiB);
        QVERIFY(growth < 64 * MiB);
        QCOMPARE(table.entry(0x42), u"Bb"_s);
        QCOMPARE(table.entry(0xFF), u"z"_s);
        QFile::remove(path);
    }

    // One definition as long as the file: only its start is kept, so memory stays flat.
    void oneGigabyteDefinition_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("pattern");
        QTest::addColumn<QString>("entry");
        QTest::newRow("Windows-1252") << QByteArray("41=") << QByteArray("x\xE8") << u"xèxèxèxè"_s;
        // Eight bytes cut the third è: the entry keeps whole characters.
        QTest::newRow("UTF-8") << QByteArray("\xEF\xBB\xBF"
                                             "41=")
                               << QByteArray("x\xC3\xA8") << u"xèxèx"_s;
    }
    void oneGigabyteDefinition()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, pattern);
        QFETCH(QString, entry);
        if (QStorageInfo(m_dir.path()).bytesAvailable() < 3 * 1024 * MiB)
            QSKIP("less than 3 GiB free for the temporary file");
        const QString path = m_dir.filePath(u"definition.tbl"_s);
        QVERIFY(writeLine(path, head, pattern, 1024 * MiB));

        CharacterTable table;
        QVERIFY(resetPeakResident());
        const qint64 before = peakResident();
        QVERIFY(before > 0);
        const TableReadResult result = readTableFile(QFile::encodeName(path), table);
        const qint64 growth = peakResident() - before;
        QVERIFY2(result.ok(), qPrintable(result.error));
        qInfo("peak resident memory grew by %.1f MiB reading one 1 GiB definition",
              double(growth) / MiB);
        QVERIFY(growth < 64 * MiB);
        QCOMPARE(table.entry(0x41), entry);
        QCOMPARE(table.entry(0x42), u"B"_s);
        QVERIFY(!table.defines(u'x'));
        QFile::remove(path);
    }

    void tenMillionLines()
    {
        const QString path = m_dir.filePath(u"lines.tbl"_s);
        QVERIFY(writeRepeated(path, "7E=~\n", 10'000'000LL * 5));
        CharacterTable table;
        QVERIFY(readTableFile(QFile::encodeName(path), table).ok());
        QCOMPARE(table.entry(0x7E), u"~"_s);
        QFile::remove(path);
    }

    void oneLineOfHundredMegabytes_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::newRow("a definition") << QByteArray("41=");
        QTest::newRow("no definition") << QByteArray("; ");
    }
    void oneLineOfHundredMegabytes()
    {
        QFETCH(QByteArray, head);
        const QString path = m_dir.filePath(u"line.tbl"_s);
        QVERIFY(writeLine(path, head, "x", 100 * MiB));
        CharacterTable table;
        QVERIFY(readTableFile(QFile::encodeName(path), table).ok());
        QCOMPARE(table.entry(0x41), head == "41=" ? u"xxxxxxxx"_s : u"#"_s);
        QCOMPARE(table.entry(0x42), u"B"_s);
        QFile::remove(path);
    }

    void binaryFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray garbage(4 * MiB, Qt::Uninitialized);
        quint32 x = 12345;
        for (char &c : garbage) {
            x = x * 1664525u + 1013904223u;
            c = char(x >> 24);
        }
        QTest::newRow("garbage") << garbage;
        QTest::newRow("NUL bytes") << QByteArray(4 * MiB, '\0');
        QTest::newRow("NUL inside lines") << QByteArray("41=\0A\r\n\0\0=B\r\n", 13);
    }
    void binaryFiles()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(u"binary.tbl"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), qint64(bytes.size()));
        file.close();
        CharacterTable table;
        QVERIFY(readTableFile(QFile::encodeName(path), table).ok());
        for (int code = 0; code < CharacterTable::Size; ++code)
            QVERIFY(!table.entry(code).isEmpty());
    }

    void fileRemovedAfterChoosing()
    {
        const QString path = m_dir.filePath(u"gone.tbl"_s);
        QVERIFY(writeRepeated(path, "41=A\r\n", 6));
        CharacterTable table;
        QVERIFY(QFile::remove(path));
        const TableReadResult result = readTableFile(QFile::encodeName(path), table);
        QCOMPARE(result.outcome, TableReadResult::Outcome::Failed);
        QVERIFY(result.error.contains(u"non esiste"_s));
        QCOMPARE(table.entry(0x41), QString());
    }
};

QTEST_APPLESS_MAIN(TestLargeFiles)
#include "tst_largefiles.moc"
