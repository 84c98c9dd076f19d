#include "ReferenceTableReader.h"
#include "TableParser.h"

#include <QTest>

#include <array>
#include <optional>
#include <random>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TextEncoding)

namespace {

// Parses the bytes whole, or in pieces of the given size.
std::size_t definedCount(const TableParser &parser)
{
    std::size_t count = 0;
    for (int code = 0; code < 256; ++code)
        count += parser.defines(code) ? 1 : 0;
    return count;
}

TableParser parse(const QByteArray &bytes, qsizetype step = 0)
{
    TableParser parser;
    if (step <= 0)
        step = qMax<qsizetype>(bytes.size(), 1);
    for (qsizetype at = 0; at < bytes.size(); at += step)
        parser.feed(
            std::string_view(bytes.constData() + at, std::size_t(qMin(step, bytes.size() - at))));
    parser.finish();
    return parser;
}

// What the parser kept, as "code=text" in code order, to compare whole tables at once.
QStringList definedCodes(const TableParser &parser)
{
    return ReferenceTableReader::keptDefinitions(parser);
}

// What it must keep, from the plain reading line by line.
QStringList readLineByLine(const QByteArray &file)
{
    return ReferenceTableReader(std::string_view(file.constData(), std::size_t(file.size())))
        .keptDefinitions();
}

// Files with short and long lines, all kinds of line ends and of codes.
QByteArray generatedTable(std::mt19937 &random)
{
    const auto below = [&random](int n) {
        return std::uniform_int_distribution<int>(0, n - 1)(random);
    };
    static constexpr const char *kCodes[] = {"41",  "e5", "FF", "fA", "00", "4 ",       " 4",
                                             "\t4", "G1", "  ", "=4", "4=", "\xE0\x31", "41"};
    static constexpr const char *kOthers[] = {
        "", "4", "41", "4=A", "041=A", "4142=AB", "; 41=A", "[Tabella]", "=", "==", "==="};
    static constexpr const char *kEnds[] = {"\r\n", "\r\n", "\n", "\r", "\n\r"};
    static constexpr int kLengths[] = {0,  1,  1,  1,  2,   3,   5,   58,  59,  60,  61,  62,
                                       63, 64, 65, 66, 124, 125, 126, 127, 128, 129, 130, 200};
    QByteArray out;
    const int lines = below(12);
    for (int n = 0; n < lines; ++n) {
        if (below(2)) {
            out += kCodes[below(int(std::size(kCodes)))];
            out += '=';
            const int length = kLengths[below(int(std::size(kLengths)))];
            for (int i = 0; i < length; ++i)
                out += "x= \t\xE9\0"[below(6)];
        } else {
            out += kOthers[below(int(std::size(kOthers)))];
        }
        if (n + 1 < lines || below(2))
            out += kEnds[below(int(std::size(kEnds)))];
    }
    return out;
}

// Any bytes, drawn mostly from the ones that matter to the parser.
QByteArray randomBytes(std::mt19937 &random)
{
    static constexpr char kBytes[] = "\r\n==41aF \tGx\xE0\0";
    QByteArray out(std::uniform_int_distribution<int>(0, 200)(random), Qt::Uninitialized);
    for (char &c : out)
        c = kBytes[std::uniform_int_distribution<int>(0, int(sizeof kBytes) - 2)(random)];
    return out;
}

// A readable form of a failing input.
QByteArray shown(const QByteArray &bytes)
{
    return bytes.toPercentEncoding(" =;[]");
}

} // namespace

class TestTableParser final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void codeOfALine_data()
    {
        QTest::addColumn<QByteArray>("first2");
        QTest::addColumn<int>("code");
        QTest::newRow("41") << QByteArray("41") << 0x41;
        QTest::newRow("lower e5") << QByteArray("e5") << 0xE5;
        QTest::newRow("upper FF") << QByteArray("FF") << 0xFF;
        QTest::newRow("mixed fA") << QByteArray("fA") << 0xFA;
        QTest::newRow("00") << QByteArray("00") << 0;
        QTest::newRow("4 then blank") << QByteArray("4 ") << 4;
        QTest::newRow("blank then 4") << QByteArray(" 4") << 4;
        QTest::newRow("tab then 4") << QByteArray("\t4") << 4;
        QTest::newRow("two blanks") << QByteArray("  ") << 0;
        QTest::newRow("G1: no digit") << QByteArray("G1") << 0;
        QTest::newRow("4G: stops at G") << QByteArray("4G") << 4;
        QTest::newRow("sign") << QByteArray("-1") << 0;
        QTest::newRow("high byte") << QByteArray("\xE0"
                                                 "1")
                                   << 0;
        QTest::newRow("equals first") << QByteArray("=4") << 0;
    }
    void codeOfALine()
    {
        QFETCH(QByteArray, first2);
        QFETCH(int, code);
        QCOMPARE(TableParser::codeOf(first2[0], first2[1]), code);
        // The same through a whole line.
        const TableParser parser = parse(first2 + "=x");
        QVERIFY(parser.defines(code));
        QCOMPARE(parser.rawText(code), std::string_view("x"));
        QCOMPARE(definedCount(parser), std::size_t(1));
    }

    void codeOfEveryPair()
    {
        for (int first = 0; first < 256; ++first) {
            for (int second = 0; second < 256; ++second) {
                const int code = TableParser::codeOf(char(first), char(second));
                if (code != ReferenceTableReader::codeOf(char(first), char(second)))
                    QFAIL(qPrintable(u"bytes %1 %2 give %3"_s.arg(first).arg(second).arg(code)));
            }
        }
    }

    // Whatever the bytes and wherever the feeds cut them, the table is the one a plain reading
    // line by line gives.
    void sameAsLineByLine_data()
    {
        QTest::addColumn<QList<QByteArray>>("files");
        std::mt19937 random(7);
        QList<QByteArray> generated;
        for (int i = 0; i < 300; ++i)
            generated << generatedTable(random);
        QTest::newRow("generated tables") << generated;
        QList<QByteArray> marked;
        for (int i = 0; i < 100; ++i)
            marked << "\xEF\xBB\xBF" + generatedTable(random);
        QTest::newRow("generated tables after a byte order mark") << marked;
        // UTF-16 as Windows editors save it, and anything at all after its marks.
        QList<QByteArray> utf16;
        for (int i = 0; i < 50; ++i) {
            QByteArray le = "\xFF\xFE", be = "\xFE\xFF";
            for (const char c : generatedTable(random)) {
                le += c + QByteArray(1, '\0');
                be += '\0' + QByteArray(1, c);
            }
            utf16 << le << be << "\xFF\xFE" + randomBytes(random)
                  << "\xFE\xFF" + randomBytes(random);
        }
        QTest::newRow("UTF-16 after its marks") << utf16;

        QList<QByteArray> noise;
        for (int i = 0; i < 300; ++i)
            noise << randomBytes(random);
        QTest::newRow("random bytes") << noise;

        // A definition at every offset, after a line of every length ending in CR LF, LF or CR.
        QList<QByteArray> offsets;
        for (int offset = 0; offset < 140; ++offset) {
            for (const QByteArray end : {"\r\n", "\n", "\r"}) {
                const QByteArray before = QByteArray(qMax(0, offset - int(end.size())), ';') + end;
                offsets << before.right(offset) + "7e=~\r\n41=" + QByteArray(offset % 67, 'y');
            }
        }
        QTest::newRow("every offset") << offsets;
    }
    void sameAsLineByLine()
    {
        QFETCH(QList<QByteArray>, files);
        for (const QByteArray &file : files) {
            const QStringList expected = readLineByLine(file);
            for (qsizetype step = 1; step <= file.size() + 1; ++step) {
                const QStringList actual = definedCodes(parse(file, step));
                if (actual != expected) {
                    qWarning("file \"%s\", feeds of %lld bytes", shown(file).constData(),
                             qlonglong(step));
                    QCOMPARE(actual, expected);
                }
            }
        }
    }

    // Feeds of uneven sizes over a long file.
    void unevenFeeds()
    {
        std::mt19937 random(11);
        QByteArray file;
        // With a line of a random code after each piece, so that most codes end up defined.
        std::uniform_int_distribution<int> code(0, 255);
        while (file.size() < 64 * 1024)
            file += generatedTable(random) + "\r\n" +
                    QByteArray::number(code(random), 16).rightJustified(2, '0') + "=z\n";
        const QStringList expected = readLineByLine(file);
        QVERIFY(expected.size() > 100);
        for (int round = 0; round < 50; ++round) {
            TableParser parser;
            for (qsizetype at = 0; at < file.size();) {
                const qsizetype size = qMin<qsizetype>(
                    std::uniform_int_distribution<int>(0, 300)(random), file.size() - at);
                parser.feed(std::string_view(file.constData() + at, std::size_t(size)));
                at += size;
            }
            parser.finish();
            QCOMPARE(definedCodes(parser), expected);
        }
    }

    void linesThatDefineNothing_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("empty lines") << QByteArray("\r\n\r\n\n\r");
        QTest::newRow("one char") << QByteArray("4\r\n");
        QTest::newRow("two chars") << QByteArray("41\r\n");
        QTest::newRow("equals at 2") << QByteArray("4=A\r\n");
        QTest::newRow("equals at 4") << QByteArray("041=A\r\n");
        QTest::newRow("heading") << QByteArray("[Tabella]\r\n");
        QTest::newRow("comment") << QByteArray("; 41=A\r\n");
        QTest::newRow("four digit code") << QByteArray("4142=AB\r\n");
    }
    void linesThatDefineNothing()
    {
        QFETCH(QByteArray, file);
        QCOMPARE(definedCount(parse(file)), std::size_t(0));
    }

    // Lines that look like definitions but cannot be used: how many, and the first one's number.
    void unusableLines_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("first");
        QTest::newRow("none") << "41=A\r\n; 8140=X\r\n//\r\n*Nota\r\n123\r\n/F=x\r\n"_ba << 0 << 0;
        QTest::newRow("multi-byte codes") << "41=A\r\n8140=X\r\n123=\r\n"_ba << 2 << 2;
        QTest::newRow("markers") << "/FF=\n*FE\n$0A=x"_ba << 3 << 1;
        QTest::newRow("after each line end") << "\r\n\n\r41=A\r8140="_ba << 1 << 5;
        QTest::newRow("CR after an empty line") << "41=A\r\r\r8140=\r"_ba << 1 << 4;
        QTest::newRow("after the mark") << "\xEF\xBB\xBF*FE\r\n"_ba << 1 << 1;
    }
    void unusableLines()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, count);
        QFETCH(int, first);
        for (qsizetype step = 0; step <= file.size(); ++step) {
            const TableParser parser = parse(file, step);
            QCOMPARE(parser.unusableLines(), std::size_t(count));
            QCOMPARE(parser.firstUnusableLine(), std::size_t(first));
        }
    }

    // The whole file decides how its texts are read, wherever the feeds cut it.
    void encoding_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<TextEncoding>("encoding");
        const auto utf8 = TextEncoding::Utf8;
        const auto cp1252 = TextEncoding::Windows1252;
        const QByteArray mark = "\xEF\xBB\xBF";
        QTest::newRow("empty") << QByteArray() << cp1252;
        QTest::newRow("pure ASCII") << QByteArray("41=A\r\n20= \r\n") << cp1252;
        QTest::newRow("two-byte") << QByteArray("e8=\xC3\xA8\r\n") << utf8;
        QTest::newRow("three-byte") << QByteArray("80=\xE2\x82\xAC") << utf8;
        QTest::newRow("four-byte") << QByteArray("41=\xF0\x9F\x98\x80") << utf8;
        QTest::newRow("mark and ASCII") << mark + "41=A\r\n" << utf8;
        QTest::newRow("mark alone") << mark << utf8;
        // The mark settles it even when what follows is not UTF-8.
        QTest::newRow("mark then invalid") << mark + "e8=\xE8\r\n" << utf8;
        QTest::newRow("half a mark") << QByteArray("\xEF\xBB") << cp1252;
        QTest::newRow("mark later in the file") << QByteArray("41=\xEF\xBB\xBF") << utf8;
        QTest::newRow("Windows-1252 accents") << QByteArray("e8=\xE8\r\ne0=\xE0\r\n") << cp1252;
        QTest::newRow("Windows-1252 euro") << QByteArray("80=\x80\r\n") << cp1252;
        // "Ã©" in Windows-1252 is C3 A9, which is also "é" in UTF-8: read as UTF-8, by the rule.
        QTest::newRow("Windows-1252 that looks like UTF-8")
            << QByteArray("e9=\xC3\xA9\r\n") << utf8;
        QTest::newRow("valid, then invalid far on")
            << QByteArray(40, 'a') + "\xC3\xA9" + QByteArray(40, 'a') + "\xE8" << cp1252;
        QTest::newRow("overlong") << QByteArray("\xC0\x80") << cp1252;
        QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << cp1252;
        QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << cp1252;
        QTest::newRow("cut short at the end") << QByteArray("\xC3\xA9\xE2\x82") << cp1252;
    }
    void encoding()
    {
        QFETCH(QByteArray, file);
        QFETCH(TextEncoding, encoding);
        for (qsizetype step = 0; step <= file.size(); ++step)
            QCOMPARE(parse(file, step).encoding(), encoding);
    }

    void definitions_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("simple") << QByteArray("41=A\r\n42=B\r\n")
                                << QStringList{u"41=A"_s, u"42=B"_s};
        QTest::newRow("later wins") << QByteArray("41=A\r\n41=B\r\n") << QStringList{u"41=B"_s};
        QTest::newRow("later wins, other spelling")
            << QByteArray("ff=z\r\nFF=y\r\n") << QStringList{u"ff=y"_s};
        QTest::newRow("several characters") << QByteArray("41=AB\r\n") << QStringList{u"41=AB"_s};
        QTest::newRow("untrimmed blanks")
            << QByteArray("20= \r\n21= ! \r\n") << QStringList{u"20= "_s, u"21= ! "_s};
        QTest::newRow("exactly three characters") << QByteArray("7E=\r\n") << QStringList{u"7e="_s};
        QTest::newRow("equals sign as text") << QByteArray("3D==\r\n") << QStringList{u"3d=="_s};
        QTest::newRow("G1 defines 0") << QByteArray("G1=x\r\n") << QStringList{u"0=x"_s};
        QTest::newRow("4 blank defines 4") << QByteArray("4 =x\r\n") << QStringList{u"4=x"_s};
        QTest::newRow("blank 4 defines 4") << QByteArray(" 4=x\r\n") << QStringList{u"4=x"_s};
        QTest::newRow("CR LF") << QByteArray("41=A\r\n42=B\r\n")
                               << QStringList{u"41=A"_s, u"42=B"_s};
        QTest::newRow("lone LF") << QByteArray("41=A\n42=B\n") << QStringList{u"41=A"_s, u"42=B"_s};
        QTest::newRow("lone CR") << QByteArray("41=A\r42=B\r") << QStringList{u"41=A"_s, u"42=B"_s};
        QTest::newRow("mixed ends") << QByteArray("41=A\r42=B\n43=C\r\n\r\n44=D")
                                    << QStringList{u"41=A"_s, u"42=B"_s, u"43=C"_s, u"44=D"_s};
        QTest::newRow("short last line") << QByteArray("41=A\r\n41") << QStringList{u"41=A"_s};
        QTest::newRow("no last terminator")
            << QByteArray("41=A\r\n42=B") << QStringList{u"41=A"_s, u"42=B"_s};
        QTest::newRow("LF CR is two ends")
            << QByteArray("41=A\n\r42=B") << QStringList{u"41=A"_s, u"42=B"_s};
        QTest::newRow("NUL bytes kept")
            << QByteArray("41=A\0B\r\n", 8) << QStringList{u"41=A"_s + QChar(0) + QLatin1Char('B')};
        // Of a long text only the start is kept, and that it goes on.
        QTest::newRow("text of 8 bytes")
            << QByteArray("41=12345678\r\n") << QStringList{u"41=12345678"_s};
        QTest::newRow("text of 9 bytes")
            << QByteArray("41=123456789\r\n") << QStringList{u"41=12345678…"_s};
        QTest::newRow("long line") << (QByteArray("41=") + QByteArray(100000, 'x') + "\r\n42=B")
                                   << QStringList{u"41=xxxxxxxx…"_s, u"42=B"_s};
        QTest::newRow("long, then short again")
            << QByteArray("41=123456789\r\n41=A") << QStringList{u"41=A"_s};
        // The byte order mark is not part of the first line, wherever the feeds cut it.
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF"
                                                       "41=A\r\n")
                                         << QStringList{u"41=A"_s};
        QTest::newRow("start of a mark is text")
            << QByteArray("\xEF\xBB=x") << QStringList{u"0=x"_s};
        QTest::newRow("mark later is text") << QByteArray("41=A\r\n\xEF\xBB\xBF"
                                                          "42=B\r\n\xEF\xBB\xBF")
                                            << QStringList{u"41=A"_s};
    }
    void definitions()
    {
        QFETCH(QByteArray, file);
        QFETCH(QStringList, expected);
        QCOMPARE(definedCodes(parse(file)), expected);
        // Cutting the bytes anywhere must not change the outcome.
        for (const qsizetype step : {1, 2, 3, 4, 5, 7, 16, 17})
            QCOMPARE(definedCodes(parse(file, step)), expected);
    }
};

QTEST_APPLESS_MAIN(TestTableParser)
#include "tst_tableparser.moc"
