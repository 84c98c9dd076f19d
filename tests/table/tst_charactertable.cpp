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
        read(table, "10=keep\r\n");
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

    // The whole file decides how every text is read: UTF-8 with the byte order mark, or when
    // valid UTF-8 holding a multi-byte sequence; Windows-1252 otherwise.
    void encodingOfTheFile_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("entry");
        QTest::newRow("UTF-8") << QByteArray("e8=\xC3\xA8\r\n") << 0xE8 << u"è"_s;
        QTest::newRow("UTF-8 with the mark, first line") << QByteArray("\xEF\xBB\xBF"
                                                                       "41=A\r\n")
                                                         << 0x41 << u"A"_s;
        QTest::newRow("Windows-1252") << QByteArray("e8=\xE8\r\n80=\x80\r\n") << 0xE8 << u"è"_s;
        QTest::newRow("ASCII") << QByteArray("41=A\r\n") << 0x41 << u"A"_s;
        // A Windows-1252 "Ã©" is C3 A9, valid UTF-8 for "é": the bytes cannot tell, UTF-8 wins.
        QTest::newRow("Windows-1252 that looks like UTF-8")
            << QByteArray("e9=\xC3\xA9\r\n") << 0xE9 << u"é"_s;
        // One byte that is not UTF-8, anywhere, makes the whole file Windows-1252.
        QTest::newRow("UTF-8 pair, then a Windows-1252 byte")
            << QByteArray("e8=\xC3\xA8\r\ne0=\xE0\r\n") << 0xE8 << u"Ã¨"_s;
        QTest::newRow("mark, then a byte that is not UTF-8") << QByteArray("\xEF\xBB\xBF"
                                                                           "e0=\xE0\r\n")
                                                             << 0xE0 << u"\uFFFD"_s;
    }
    void encodingOfTheFile()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, code);
        QFETCH(QString, entry);
        CharacterTable table;
        read(table, file);
        QCOMPARE(table.entry(code), entry);
    }

    // Only the start of a long text is kept; it must never pass for one character, and what fits
    // must stay exactly as written.
    void longTexts_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("defined");
        const QByteArray mark = "\xEF\xBB\xBF";
        QTest::newRow("Windows-1252, 8 bytes kept whole")
            << QByteArray("41=\xE8xxxxxxx") << u"èxxxxxxx"_s << u"è"_s << false;
        QTest::newRow("Windows-1252, 9 bytes cut to 8")
            << QByteArray("41=\xE8xxxxxxxx") << u"èxxxxxxx"_s << u"è"_s << false;
        QTest::newRow("Windows-1252, long")
            << "41=A" + QByteArray(5000, 'B') << u"ABBBBBBB"_s << u"A"_s << false;
        QTest::newRow("UTF-8, one 2-byte character")
            << QByteArray("41=\xC3\xA8") << u"è"_s << u"è"_s << true;
        QTest::newRow("UTF-8, one 2-byte character and more")
            << QByteArray("41=\xC3\xA8") + QByteArray(20, 'x') << u"èxxxxxx"_s << u"è"_s << false;
        QTest::newRow("UTF-8, one 4-byte character")
            << QByteArray("41=\xF0\x9F\x98\x80") << u"\U0001F600"_s << u"\xD83D"_s << false;
        QTest::newRow("UTF-8, one 3-byte character and a cut one")
            << QByteArray("41=\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC") << u"€€"_s << u"€"_s << false;
        QTest::newRow("UTF-8, 4-byte characters cut")
            << mark + QByteArray("41=\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F")
            << u"\U0001F600\U0001F600"_s << u"\xD83D"_s << false;
        QTest::newRow("UTF-8 after the mark, long")
            << mark + "41=A" + QByteArray(5000, 'B') << u"ABBBBBBB"_s << u"A"_s << false;
        // The last E0 kept starts a sequence the cut ends, so it goes.
        QTest::newRow("mark, invalid bytes, long")
            << mark + "41=\xE0" + QByteArray(20, '\xE0') << QString(7, QChar(0xFFFD)) << u"\uFFFD"_s
            << false;
    }
    void longTexts()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, entry);
        QFETCH(QString, typed);
        QFETCH(bool, defined);
        CharacterTable table;
        read(table, file);
        QCOMPARE(table.entry(0x41), entry);
        QCOMPARE(table.defines(typed.front()), defined);
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
