// The line check over whole texts: positions, line ends and limits, and that a text split into
// blocks anywhere gives the same report. Admission itself is tested with the line box's rules.

#include "CharacterTable.h"
#include "TableParser.h"
#include "TextScanner.h"
#include "Windows1252.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A table as the reader leaves it: these characters at their own codes, "#" everywhere else.
CharacterTable tableDefining(const QString &characters)
{
    TableParser parser;
    for (const QChar ch : characters)
        parser.feed(QByteArray::number(*Windows1252::fromUnicode(ch), 16)
                        .rightJustified(2, '0')
                        .append('=')
                        .append(QString(ch).toUtf8())
                        .append('\n')
                        .toStdString());
    parser.finish();
    CharacterTable table;
    table.merge(parser);
    return table;
}

// "line:column:U+XXXX" for a character, "line:column:>length" for a line too long.
QString describe(const TextProblem &problem)
{
    const QString what = problem.kind == TextProblem::Kind::Character
                             ? u"U+%1"_s.arg(uint(problem.character), 4, 16, QChar(u'0')).toUpper()
                             : u">%1"_s.arg(problem.length);
    return u"%1:%2:%3"_s.arg(problem.line).arg(problem.column).arg(what);
}

struct Report {
    QStringList problems;
    qint64 lines = 0;
    bool sawInvalid = false;
};

// Feeds the text in pieces of `piece` bytes (0: all at once).
Report check(const CharacterTable &table, qint64 limit, TextEncoding encoding,
             const QByteArray &text, qsizetype piece, const ScriptMarkup &markup = {})
{
    Report report;
    TextScanner scanner(
        table, limit, encoding,
        [&report](const TextProblem &problem) { report.problems.append(describe(problem)); },
        markup);
    const qsizetype step = piece == 0 ? qMax<qsizetype>(1, text.size()) : piece;
    for (qsizetype at = 0; at < text.size(); at += step) {
        const QByteArray block = text.mid(at, step);
        scanner.feed(std::string_view(block.constData(), std::size_t(block.size())));
    }
    scanner.finish();
    report.lines = scanner.lines();
    report.sawInvalid = scanner.sawInvalidUtf8();
    if (scanner.problems() != report.problems.size())
        report.problems.append(u"count %1"_s.arg(scanner.problems()));
    return report;
}

} // namespace

class TestTextScanner final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void report_data();
    void report();
    void longRuns_data();
    void longRuns();
    void accentedRuns_data();
    void accentedRuns();
    void invalidUtf8IsNoticed();
    void markup_data();
    void markup();
};

void TestTextScanner::report_data()
{
    QTest::addColumn<QString>("defined");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<qint64>("lines");

    const QString abc = u"ABC "_s;
    QTest::newRow("all defined") << abc << 0LL << true << "ABC CBA\n"_ba << QStringList{} << 1LL;
    QTest::newRow("one undefined") << abc << 0LL << true
                                   << "AB\xC3\xA9"
                                      "C\n"_ba
                                   << QStringList{u"1:3:U+00E9"_s} << 1LL;
    QTest::newRow("several on one line")
        << abc << 0LL << true << "xAyBz"_ba
        << QStringList{u"1:1:U+0078"_s, u"1:3:U+0079"_s, u"1:5:U+007A"_s} << 1LL;
    QTest::newRow("case counts") << abc << 0LL << true << "Aa"_ba << QStringList{u"1:2:U+0061"_s}
                                 << 1LL;
    QTest::newRow("hash of the fill is defined")
        << abc << 0LL << true << "#A#"_ba << QStringList{} << 1LL;
    // U+1F600 is one character: what follows it is one column on, not two.
    QTest::newRow("beyond the BMP is one column")
        << abc << 0LL << true
        << "A\xF0\x9F\x98\x80"
           "B\xC3\xA9"_ba
        << QStringList{u"1:2:U+1F600"_s, u"1:4:U+00E9"_s} << 1LL;
    QTest::newRow("beyond the BMP against the limit")
        << abc << 3LL << true
        << "A\xF0\x9F\x98\x80"
           "BC"_ba
        << QStringList{u"1:2:U+1F600"_s, u"1:4:>4"_s} << 1LL;
    QTest::newRow("no Windows-1252 code")
        << u"ABC"_s << 0LL << true << "A\xCE\xA9"_ba << QStringList{u"1:2:U+03A9"_s} << 1LL;
    QTest::newRow("codes 128 to 159 pass") << abc << 0LL << true
                                           << "\xE2\x82\xAC\xE2\x80\x9C"
                                              "A"_ba
                                           << QStringList{} << 1LL;
    QTest::newRow("controls pass but count")
        << abc << 0LL << true
        << "\t\x7F"
           "\x00x\xC2\x85y"_ba
        << QStringList{u"1:4:U+0078"_s, u"1:6:U+0079"_s} << 1LL;

    QTest::newRow("at the limit") << abc << 4LL << true << "ABCA\nABC\n"_ba << QStringList{} << 2LL;
    QTest::newRow("past the limit") << abc << 4LL << true << "ABCABC\nAB\nABCAB"_ba
                                    << QStringList{u"1:5:>6"_s, u"3:5:>5"_s} << 3LL;
    QTest::newRow("no limit") << abc << 0LL << true << QByteArray(1000, 'A') << QStringList{}
                              << 1LL;
    QTest::newRow("characters and limit on one line")
        << abc << 2LL << true << "AxBy"_ba
        << QStringList{u"1:2:U+0078"_s, u"1:4:U+0079"_s, u"1:3:>4"_s} << 1LL;

    QTest::newRow("line ends") << abc << 0LL << true << "A\r\nx\rx\nx\r\n\r\nx"_ba
                               << QStringList{u"2:1:U+0078"_s, u"3:1:U+0078"_s, u"4:1:U+0078"_s,
                                              u"6:1:U+0078"_s}
                               << 6LL;
    QTest::newRow("CR CR is two lines")
        << abc << 0LL << true << "A\r\rx"_ba << QStringList{u"3:1:U+0078"_s} << 3LL;
    QTest::newRow("empty text") << abc << 0LL << true << ""_ba << QStringList{} << 0LL;
    QTest::newRow("empty lines") << abc << 0LL << true << "\n\n"_ba << QStringList{} << 2LL;

    QTest::newRow("byte order mark skipped")
        << abc << 2LL << true << "\xEF\xBB\xBFxB"_ba << QStringList{u"1:1:U+0078"_s} << 1LL;
    QTest::newRow("byte order mark later is a character")
        << abc << 0LL << true << "A\n\xEF\xBB\xBF"_ba << QStringList{u"2:1:U+FEFF"_s} << 2LL;

    QTest::newRow("Windows-1252") << u"ABè"_s << 0LL << false << "A\xE8\xE9\x80\x81"_ba
                                  << QStringList{u"1:3:U+00E9"_s} << 1LL;
    QTest::newRow("Windows-1252 keeps its byte order mark bytes")
        << abc << 0LL << false
        << "\xEF\xBB\xBF"
           "A"_ba
        << QStringList{u"1:1:U+00EF"_s, u"1:2:U+00BB"_s, u"1:3:U+00BF"_s} << 1LL;
    QTest::newRow("Windows-1252 line ends and limit")
        << abc << 1LL << false << "AB\r\nA\xE9\rA"_ba
        << QStringList{u"1:2:>2"_s, u"2:2:U+00E9"_s, u"2:2:>2"_s} << 3LL;
}

void TestTextScanner::report()
{
    QFETCH(QString, defined);
    QFETCH(qint64, limit);
    QFETCH(bool, utf8);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, problems);
    QFETCH(qint64, lines);

    const CharacterTable table = tableDefining(defined);
    const auto encoding = utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    // Whole, then cut into pieces of every size: a sequence, a CR LF or the byte order mark
    // split between two blocks must not change the report.
    for (qsizetype piece = 0; piece <= text.size(); ++piece) {
        const Report report = check(table, limit, encoding, text, piece);
        QVERIFY2(report.problems == problems,
                 qPrintable(u"pieces of %1: %2"_s.arg(piece).arg(report.problems.join(u' '))));
        QCOMPARE(report.lines, lines);
        QVERIFY(!report.sawInvalid);
    }
}

void TestTextScanner::longRuns_data()
{
    QTest::addColumn<bool>("utf8");
    QTest::addColumn<QByteArray>("defined");
    QTest::addColumn<QByteArray>("stop");
    QTest::addColumn<QString>("problem"); // empty: none

    QTest::newRow("undefined ASCII") << true << "A"_ba
                                     << "x"_ba << u"U+0078"_s;
    QTest::newRow("line feed") << true << "A"_ba
                               << "\n"_ba << QString();
    QTest::newRow("UTF-8 sequence") << true << "A"_ba
                                    << "\xC3\xA9"_ba << u"U+00E9"_s;
    QTest::newRow("defined UTF-8 sequence") << true << "A\xE9"_ba
                                            << "\xC3\xA9"_ba << QString();
    QTest::newRow("stray continuation byte") << true << "A"_ba
                                             << "\x85"_ba << u"U+FFFD"_s;
    QTest::newRow("Windows-1252 undefined") << false << "A"_ba
                                            << "\xE9"_ba << u"U+00E9"_s;
    QTest::newRow("Windows-1252 defined") << false << "A\xE9"_ba
                                          << "\xE9"_ba << QString();
}

void TestTextScanner::longRuns()
{
    // Runs of plain bytes longer than any block of bytes taken at once, with one byte that
    // stops the run at every position, and a second problem after it.
    QFETCH(bool, utf8);
    QFETCH(QByteArray, defined);
    QFETCH(QByteArray, stop);
    QFETCH(QString, problem);

    const CharacterTable table =
        tableDefining(decodeText(defined.toStdString(), TextEncoding::Windows1252));
    const auto encoding = utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
    for (int at = 0; at < 80; ++at) {
        const QByteArray text = QByteArray(at, 'A') + stop + QByteArray(50, 'A') + "y";
        const bool newLine = stop == "\n";
        QStringList expected;
        if (!problem.isEmpty())
            expected.append(u"1:%1:%2"_s.arg(at + 1).arg(problem));
        expected.append(newLine ? u"2:51:U+0079"_s : u"1:%1:U+0079"_s.arg(at + 52));
        for (const qsizetype piece : {qsizetype(0), qsizetype(7), qsizetype(16), qsizetype(33)}) {
            const Report report = check(table, 0, encoding, text, piece);
            QVERIFY2(report.problems == expected,
                     qPrintable(u"at %1, pieces of %2: %3"_s.arg(at).arg(piece).arg(
                         report.problems.join(u' '))));
        }
    }
}

void TestTextScanner::accentedRuns_data()
{
    QTest::addColumn<QByteArray>("stop");
    QTest::addColumn<QString>("problem"); // empty: none
    QTest::addColumn<int>("columns");     // the stop's columns; 0 for a line end
    QTest::addColumn<bool>("invalid");

    QTest::newRow("undefined accented letter") << "\xC3\x9F"_ba << u"U+00DF"_s << 1 << false;
    QTest::newRow("undefined two-byte letter") << "\xCE\xA9"_ba << u"U+03A9"_s << 1 << false;
    QTest::newRow("undefined three-byte character")
        << "\xE2\x98\x83"_ba << u"U+2603"_s << 1 << false;
    QTest::newRow("two-byte control") << "\xC2\x85"_ba << QString() << 1 << false;
    QTest::newRow("line feed") << "\n"_ba << QString() << 0 << false;
    QTest::newRow("CR LF") << "\r\n"_ba << QString() << 0 << false;
    QTest::newRow("lead byte before a letter") << "\xC3"
                                                  "A"_ba
                                               << u"U+FFFD"_s << 2 << true;
    QTest::newRow("lead byte before a lead byte") << "\xC3\xC3\xA9"_ba << u"U+FFFD"_s << 2 << true;
    QTest::newRow("stray continuation byte") << "\x85"_ba << u"U+FFFD"_s << 1 << true;
    QTest::newRow("cut three-byte sequence") << "\xE2\x98"
                                                "A"_ba
                                             << u"U+FFFD"_s << 2 << true;
}

void TestTextScanner::accentedRuns()
{
    // Runs of defined accented letters (two bytes, one column each) around one stop at every
    // position and both byte parities, so the stop and the letters meet every edge of the
    // blocks the scanner takes at once; then a second problem and a line past the limit.
    QFETCH(QByteArray, stop);
    QFETCH(QString, problem);
    QFETCH(int, columns);
    QFETCH(bool, invalid);

    const CharacterTable table = tableDefining(u"Aé"_s);
    const QByteArray letter = "\xC3\xA9"_ba;
    constexpr qint64 limit = 30;
    for (int prefix = 0; prefix < 2; ++prefix) {
        for (int at = 0; at < 70; ++at) {
            const QByteArray text =
                QByteArray(prefix, 'A') + letter.repeated(at) + stop + letter.repeated(40) + "y";
            const qint64 before = prefix + at;
            QStringList expected;
            if (columns == 0) {
                if (before > limit)
                    expected.append(u"1:31:>%1"_s.arg(before));
                expected.append(u"2:41:U+0079"_s);
                expected.append(u"2:31:>41"_s);
            } else {
                if (!problem.isEmpty())
                    expected.append(u"1:%1:%2"_s.arg(before + 1).arg(problem));
                expected.append(u"1:%1:U+0079"_s.arg(before + columns + 41));
                expected.append(u"1:31:>%1"_s.arg(before + columns + 41));
            }
            for (const qsizetype piece :
                 {qsizetype(0), qsizetype(7), qsizetype(16), qsizetype(33), qsizetype(65)}) {
                const Report report = check(table, limit, TextEncoding::Utf8, text, piece);
                QVERIFY2(
                    report.problems == expected,
                    qPrintable(
                        u"prefix %1, at %2, pieces of %3: %4"_s.arg(prefix).arg(at).arg(piece).arg(
                            report.problems.join(u' '))));
                QCOMPARE(report.lines, columns == 0 ? 2 : 1);
                QCOMPARE(report.sawInvalid, invalid);
            }
        }
    }
}

void TestTextScanner::invalidUtf8IsNoticed()
{
    // Only a text that changed after it was found valid gets here: each bad stretch is one
    // replacement character, and what follows is read again from its own start.
    const CharacterTable table = tableDefining(u"AB"_s);
    for (qsizetype piece = 0; piece <= 6; ++piece) {
        const Report report = check(table, 0, TextEncoding::Utf8,
                                    "A\xC3"
                                    "B\xE2\x82"_ba,
                                    piece);
        QCOMPARE(report.problems, (QStringList{u"1:2:U+FFFD"_s, u"1:4:U+FFFD"_s}));
        QVERIFY(report.sawInvalid);
    }
}

void TestTextScanner::markup_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<qint64>("lines");
    const auto row = [](const char *name, const QByteArray &text, const QStringList &problems,
                        qint64 lines = 1) { QTest::newRow(name) << text << problems << lines; };
    row("skipped lines", "\xEF\xBB\xBF// x\r\n#CMD(x)\n//"_ba, {}, 0);
    row("numbered after skipped ones", "//\nx"_ba, {u"2:1:U+0078"_s});
    row("prefix not at the start", " //"_ba, {u"1:2:U+002F"_s, u"1:3:U+002F"_s});
    row("codes neither checked nor counted", "AB<$FB>C<end>A"_ba, {});
    row("past the limit after a code", "A<$FB>BCAB"_ba, {u"1:10:>5"_s});
    row("screen lines measured apart", "ABCA<line>ABCA"_ba, {});
    row("second screen line too long", "AB<line>CCCCC"_ba, {u"1:13:>5"_s});
    row("first screen line too long", "CCCCC<line>AB"_ba, {u"1:5:>5"_s});
    row("break code at the end", "ABCAB<line>"_ba, {u"1:5:>5"_s});
    row("columns count a pair once", "A\xF0\x9F\x98\x80<line>x"_ba,
        {u"1:2:U+1F600"_s, u"1:9:U+0078"_s});
    row("code-like text that matches nothing", "<$G>"_ba,
        {u"1:1:U+003C"_s, u"1:2:U+0024"_s, u"1:3:U+0047"_s, u"1:4:U+003E"_s});
    row("empty matches mark nothing", "AQQBx"_ba, {u"1:5:U+0078"_s});
}

void TestTextScanner::markup()
{
    // Atlas-style markup; <line> is both a code and a break, "Q*" also matches empty.
    QFETCH(QByteArray, text);
    QFETCH(QStringList, problems);
    QFETCH(qint64, lines);
    ScriptMarkup markup;
    markup.skippedPrefixes = QStringList{u"//"_s, u"#"_s};
    for (const QString &code : {u"<\\$[0-9A-F]{2}>"_s, u"<[a-z]+>"_s, u"Q*"_s})
        markup.codes.append(QRegularExpression(code));
    markup.lineBreaks.append(QRegularExpression(u"<line>"_s));
    for (qsizetype piece = 0; piece <= text.size(); ++piece) {
        const Report report =
            check(tableDefining(u"ABC "_s), 4, TextEncoding::Utf8, text, piece, markup);
        QVERIFY2(report.problems == problems, qPrintable(report.problems.join(u' ')));
        QCOMPARE(report.lines, lines);
    }
}

QTEST_APPLESS_MAIN(TestTextScanner)
#include "tst_textscanner.moc"
