#include "CharacterTable.h"
#include "TableParser.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void read(CharacterTable &table, const QByteArray &file)
{
    TableParser parser;
    parser.feed(std::string_view(file.constData(), std::size_t(file.size())));
    parser.finish();
    table.merge(parser);
}

int countOf(const CharacterTable &table, const QString &text)
{
    int n = 0;
    for (int code = 0; code < CharacterTable::Size; ++code)
        n += table.entry(code) == text;
    return n;
}

} // namespace

class TestCharacterTable final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startsEmptyAndDefinesNothing()
    {
        const CharacterTable table;
        QCOMPARE(countOf(table, QString()), 256);
        QVERIFY(!table.defines(u'#'));
        QVERIFY(!table.defines(u'A'));
    }

    void firstReadingFillsTheRestWithHash()
    {
        CharacterTable table;
        read(table, "41=A\r\n42=\r\n7E=\r\n");
        QCOMPARE(table.entry(0x41), u"A"_s);
        QCOMPARE(table.entry(0x42), u"#"_s);
        QCOMPARE(table.entry(0x7E), u"#"_s);
        QCOMPARE(countOf(table, u"#"_s), 255);
        QVERIFY(table.defines(u'#'));
    }

    void fileWithoutDefinitionsStillFills()
    {
        CharacterTable table;
        read(table, "Nessuna definizione qui\r\n\r\n");
        QCOMPARE(countOf(table, u"#"_s), 256);
    }

    void secondReadingMergesOverTheFirst()
    {
        CharacterTable table;
        read(table, "41=A\r\n42=B\r\n43=C\r\n");
        read(table, "42=b\r\n43=\r\n44=D\r\n");
        QCOMPARE(table.entry(0x41), u"A"_s); // not in the second file: kept
        QCOMPARE(table.entry(0x42), u"b"_s); // redefined
        QCOMPARE(table.entry(0x43), u"#"_s); // emptied by the second file, then filled
        QCOMPARE(table.entry(0x44), u"D"_s); // was "#", now defined
        QCOMPARE(table.entry(0x45), u"#"_s);
    }

    void fillTouchesOnlyWhatIsEmpty()
    {
        CharacterTable table;
        table.setEntry(0x10, u"keep"_s);
        read(table, "41=A\r\n");
        QCOMPARE(table.entry(0x10), u"keep"_s);
        QCOMPARE(table.entry(0x11), u"#"_s);
    }

    void textIsDecodedAsWindows1252()
    {
        CharacterTable table;
        read(table, "80=\xE0\r\n81=\x80\r\n82=\x81\r\n");
        QCOMPARE(table.entry(0x80), QString(QChar(0xE0)));
        QCOMPARE(table.entry(0x81), QString(QChar(0x20AC)));
        QCOMPARE(table.entry(0x82), QString(QChar(0x81)));
    }

    void lookup_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("defined");
        QTest::newRow("defined letter") << u"A"_s << true;
        QTest::newRow("case-sensitive") << u"a"_s << false;
        QTest::newRow("part of a longer entry") << u"X"_s << false;
        QTest::newRow("longer entry's second char") << u"Y"_s << false;
        QTest::newRow("blank entry") << u" "_s << true;
        QTest::newRow("hash from the fill") << u"#"_s << true;
        QTest::newRow("accented") << QString(QChar(0xE8)) << true;
        QTest::newRow("last code") << u"z"_s << true;
        QTest::newRow("undefined") << u"Q"_s << false;
    }
    void lookup()
    {
        QFETCH(QString, typed);
        QFETCH(bool, defined);
        CharacterTable table;
        read(table, "41=A\r\n42=XY\r\n20= \r\n30=\xE8\r\nff=z\r\n");
        QCOMPARE(table.defines(typed.front()), defined);
    }
};

QTEST_APPLESS_MAIN(TestCharacterTable)
#include "tst_charactertable.moc"
