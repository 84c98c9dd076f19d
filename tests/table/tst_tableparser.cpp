#include "TableParser.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Parses the bytes whole, or in pieces of the given size.
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

// "code=text" for every defined code, in code order, to compare whole tables at once.
QStringList definedCodes(const TableParser &parser)
{
    QStringList out;
    for (int code = 0; code < 256; ++code) {
        if (parser.defines(code)) {
            const std::string_view raw = parser.rawText(code);
            out << QString::number(code, 16) + QLatin1Char('=') +
                       QString::fromLatin1(raw.data(), qsizetype(raw.size()));
        }
    }
    return out;
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
        QCOMPARE(parser.definedCount(), std::size_t(1));
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
        QCOMPARE(parse(file).definedCount(), std::size_t(0));
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
        QTest::newRow("long line")
            << (QByteArray("41=") + QByteArray(100000, 'x') + "\r\n42=B")
            << QStringList{u"41="_s + QString(100000, QLatin1Char('x')), u"42=B"_s};
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
