// The check of whole texts: positions, line ends, limits and markup, with the text fed through
// the decoder in blocks of any size, which must not change the report.

#include "CharacterTable.h"
#include "CheckOptions.h"
#include "FileCheck.h"
#include "TableParser.h"
#include "TextCheck.h"
#include "Windows1252.h"

#include <QTest>

#include <random>

using namespace Qt::StringLiterals;

namespace {

// A table as the reader leaves it: these characters at their own codes, "#" everywhere else.
CharacterTable tableDefining(const QString &characters)
{
    QByteArray file;
    for (const QChar ch : characters)
        file +=
            u"%1=%2\n"_s.arg(*Windows1252::fromUnicode(ch), 2, 16, QChar(u'0')).arg(ch).toUtf8();
    TableParser parser;
    parser.feed(file.toStdString());
    parser.finish();
    CharacterTable table;
    table.merge(parser);
    return table;
}

// "line:column:" and U+XXXX for a character, >length for a line, "box N", -code@line for a code
// the original had, +code for one it had not.
QString describe(const TextProblem &problem)
{
    const QString code = QString::fromStdString(problem.code);
    QString what;
    switch (problem.kind) {
    case TextProblem::Kind::Character:
        what = u"U+%1"_s.arg(uint(problem.character), 4, 16, QChar(u'0')).toUpper();
        break;
    case TextProblem::Kind::LineTooLong:
        what = u">%1"_s.arg(problem.count);
        break;
    case TextProblem::Kind::BoxTooFull:
        what = u"box %1"_s.arg(problem.count);
        break;
    case TextProblem::Kind::MissingCode:
        what = u"-%1@%2"_s.arg(code).arg(problem.count);
        break;
    case TextProblem::Kind::ExtraCode:
        what = u"+"_s + code;
        break;
    }
    return u"%1:%2:%3"_s.arg(problem.line).arg(problem.column).arg(what);
}

struct Report {
    QStringList problems;
    qint64 lines = 0;
    bool sawInvalid = false;
    QString error;
};

// Feeds the text in pieces of `piece` bytes (0: all at once).
Report check(const CharacterTable &table, const CheckOptions &options, const TextReading &reading,
             const QByteArray &text, qsizetype piece)
{
    Report report;
    TextCheck check(reading, table, options, [&report](const TextProblem &problem) {
        report.problems.append(describe(problem));
    });
    const qsizetype step = piece == 0 ? qMax<qsizetype>(1, text.size()) : piece;
    for (qsizetype at = 0; at < text.size(); at += step)
        check.feed(
            std::string_view(text.constData() + at, std::size_t(qMin(step, text.size() - at))));
    check.finish();
    report.lines = check.scanner().lines();
    report.sawInvalid = check.sawInvalid();
    report.error = check.scanner().error();
    if (check.scanner().problems() != report.problems.size())
        report.problems.append(u"count %1"_s.arg(check.scanner().problems()));
    return report;
}

Report check(const CharacterTable &table, qint64 limit, const QByteArray &text, qsizetype piece)
{
    CheckOptions options;
    options.limit = limit;
    return check(table, options, TextReading::of(text.toStdString()), text, piece);
}

Pattern pattern(const QString &source)
{
    QString error;
    const std::optional<Pattern> compiled = Pattern::compile(source, error);
    if (!compiled)
        qFatal("%s: %s", qPrintable(source), qPrintable(error));
    return *compiled;
}

} // namespace

class TestTextScanner final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void report_data();
    void report();
    void runs_data();
    void runs();
    void invalidUtf8IsNoticed();
    void asItStandsAsDecoded();
    void patterns_data();
    void patterns();
    void markup_data();
    void markup();
    void scripts_data();
    void scripts();
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
    QTest::newRow("controls pass but count, DEL is checked")
        << abc << 0LL << true
        << "\t\x7F"
           "\x00x\xC2\x85y"_ba
        << QStringList{u"1:2:U+007F"_s, u"1:4:U+0078"_s, u"1:6:U+0079"_s} << 1LL;
    QTest::newRow("DEL defined") << u"A\x7f"_s << 0LL << true << "A\x7F"_ba << QStringList{} << 1LL;

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
    CheckOptions options;
    options.limit = limit;
    const TextReading reading =
        utf8 ? TextReading::of(text.toStdString()) : TextReading{TextEncoding::Windows1252};
    // Whole, then cut into pieces of every size: a sequence, a CR LF or the byte order mark
    // split between two blocks must not change the report.
    for (qsizetype piece = 0; piece <= text.size(); ++piece) {
        const Report report = check(table, options, reading, text, piece);
        QVERIFY2(report.problems == problems,
                 qPrintable(u"pieces of %1: %2"_s.arg(piece).arg(report.problems.join(u' '))));
        QCOMPARE(report.lines, lines);
        QVERIFY(!report.sawInvalid);
    }
}

void TestTextScanner::runs_data()
{
    QTest::addColumn<QByteArray>("stop");
    QTest::addColumn<QString>("problem"); // empty: none
    QTest::addColumn<int>("columns");     // the stop's columns; 0 for a line end
    QTest::addColumn<bool>("invalid");

    QTest::newRow("undefined ASCII") << "x"_ba << u"U+0078"_s << 1 << false;
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

void TestTextScanner::runs()
{
    // Runs of defined letters, ASCII or two bytes each, around one stop at every position up to
    // past the decoder's eight-byte steps, in blocks of several sizes; then a second problem and
    // a line past the limit.
    QFETCH(QByteArray, stop);
    QFETCH(QString, problem);
    QFETCH(int, columns);
    QFETCH(bool, invalid);

    const CharacterTable table = tableDefining(u"Aé"_s);
    constexpr qint64 limit = 15;
    for (const QByteArray &letter : {"A"_ba, "\xC3\xA9"_ba}) {
        for (int at = 0; at < 20; ++at) {
            const QByteArray text = letter.repeated(at) + stop + letter.repeated(20) + "y";
            QStringList expected;
            if (columns == 0) {
                if (at > limit)
                    expected.append(u"1:16:>%1"_s.arg(at));
                expected.append(u"2:21:U+0079"_s);
                expected.append(u"2:16:>21"_s);
            } else {
                if (!problem.isEmpty())
                    expected.append(u"1:%1:%2"_s.arg(at + 1).arg(problem));
                expected.append(u"1:%1:U+0079"_s.arg(at + columns + 21));
                expected.append(u"1:16:>%1"_s.arg(at + columns + 21));
            }
            for (const qsizetype piece : {0, 7, 16, 33}) {
                const Report report = check(table, limit, text, piece);
                QVERIFY2(report.problems == expected,
                         qPrintable(u"at %1, pieces of %2: %3"_s.arg(at).arg(piece).arg(
                             report.problems.join(u' '))));
                QCOMPARE(report.lines, columns == 0 ? 2 : 1);
                QCOMPARE(report.sawInvalid, invalid);
            }
        }
    }
}

void TestTextScanner::invalidUtf8IsNoticed()
{
    // Each bad stretch is one replacement character, and what follows is read again from its own
    // start.
    const CharacterTable table = tableDefining(u"AB"_s);
    for (qsizetype piece = 0; piece <= 6; ++piece) {
        const Report report = check(table, 0,
                                    "A\xC3"
                                    "B\xE2\x82"_ba,
                                    piece);
        QCOMPARE(report.problems, (QStringList{u"1:2:U+FFFD"_s, u"1:4:U+FFFD"_s}));
        QVERIFY(report.sawInvalid);
    }
}

void TestTextScanner::asItStandsAsDecoded()
{
    // The scanner takes UTF-8 as it stands, eight bytes at a time where it can: random texts of
    // the pieces that matter, in random blocks, with and without markup (a pattern that never
    // matches), give the report of the same text decoded first, each bad stretch a U+FFFD.
    static const QByteArray kPieces[] = {"A",
                                         "x",
                                         " ",
                                         "\n",
                                         "\r",
                                         "\xC3\xA9",
                                         "\xC3",
                                         "\xA9",
                                         "\xC1\xA9",
                                         "\xE2\x82\xAC",
                                         "\xE2\x82",
                                         "\x85",
                                         "\xED\xA0\x80",
                                         "\xF0\x9F\x98\x80"};
    const CharacterTable table = tableDefining(u"Aé "_s);
    CheckOptions plain;
    plain.limit = 5;
    CheckOptions markup = plain;
    markup.markup.codes.append(pattern(u"(*FAIL)"_s));
    std::mt19937 random(20261208);
    for (int round = 0; round < 3000; ++round) {
        QByteArray text;
        for (int i = int(random() % 40); i > 0; --i)
            text += kPieces[random() % std::size(kPieces)];
        const QByteArray decoded = decodeText(text.toStdString(), TextEncoding::Utf8).toUtf8();
        const qsizetype piece = qsizetype(random() % 12);
        const CheckOptions &options = round % 2 ? markup : plain;
        const Report asItStands = check(table, options, {}, text, piece);
        const Report expected = check(table, options, {}, decoded, 0);
        QVERIFY2(asItStands.problems == expected.problems && asItStands.lines == expected.lines &&
                     asItStands.sawInvalid == (decoded != text),
                 qPrintable(u"%1 in pieces of %2: %3"_s.arg(QString::fromLatin1(text.toHex(' ')))
                                .arg(piece)
                                .arg(asItStands.problems.join(u' '))));
    }
}

void TestTextScanner::patterns_data()
{
    // What Perl's global matching (perl -e 'while ($line =~ /PATTERN/g) ...') takes as codes,
    // or an error where PCRE2 gives up: never the rest left as text.
    QTest::addColumn<QString>("code");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<bool>("fails");

    QTest::newRow("linear pattern on a million characters")
        << u"(a|b)+"_s << "ab"_ba.repeated(500000) + "\nx" << QStringList{u"2:1:U+0078"_s} << false;
    QTest::newRow("too much backtracking is an error")
        << u"\\{(\\w+\\s?)+\\}"_s << "{" + "ab "_ba.repeated(20) + "ciao {end}" << QStringList{}
        << true;
    QTest::newRow("the same pattern where it matches")
        << u"\\{(\\w+\\s?)+\\}"_s << "A{end}\nx"_ba << QStringList{u"2:1:U+0078"_s} << false;
    QTest::newRow("a code ends with its line")
        << u"<[^>]*>"_s << "A<b\r\nc>A"_ba
        << QStringList{u"1:2:U+003C"_s, u"1:3:U+0062"_s, u"2:1:U+0063"_s, u"2:2:U+003E"_s} << false;
    QTest::newRow("$ at the line's end")
        << u"x$"_s << "xAx\r\nx"_ba << QStringList{u"1:1:U+0078"_s} << false;
    QTest::newRow("multi-byte characters inside a code")
        << u"<[^>]*>"_s << "<\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80>x"_ba
        << QStringList{u"1:6:U+0078"_s} << false;
    QTest::newRow("after an empty match, a longer one at the same place")
        << u"x??"_s << "xAx"_ba << QStringList{} << false;
    QTest::newRow("lookbehind sees the line")
        << u"(?<=A)x"_s << "AxBx"_ba << QStringList{u"1:4:U+0078"_s} << false;
}

void TestTextScanner::patterns()
{
    QFETCH(QString, code);
    QFETCH(QByteArray, text);
    QFETCH(QStringList, problems);
    QFETCH(bool, fails);

    CheckOptions options;
    options.markup.codes.append(pattern(code));
    // The million characters come in blocks as a file's would.
    const QList<qsizetype> pieces =
        text.size() > 1000 ? QList<qsizetype>{0, 4096} : QList<qsizetype>{0, 1, 2, 3};
    for (const qsizetype piece : pieces) {
        const Report report = check(tableDefining(u"ABC "_s), options, {}, text, piece);
        QVERIFY2(report.problems == problems, qPrintable(report.problems.join(u' ')));
        QCOMPARE(!report.error.isEmpty(), fails);
        if (fails)
            QVERIFY2(report.error.contains(code), qPrintable(report.error));
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
    CheckOptions options;
    options.limit = 4;
    options.markup.skippedPrefixes = {"//", "#"};
    for (const QString &code : {u"<\\$[0-9A-F]{2}>"_s, u"<[a-z]+>"_s, u"Q*"_s})
        options.markup.codes.append(pattern(code));
    options.markup.lineBreaks.append(pattern(u"<line>"_s));
    for (qsizetype piece = 0; piece <= text.size(); ++piece) {
        const Report report = check(tableDefining(u"ABC "_s), options,
                                    TextReading::of(text.toStdString()), text, piece);
        QVERIFY2(report.problems == problems, qPrintable(report.problems.join(u' ')));
        QCOMPARE(report.lines, lines);
    }
}

void TestTextScanner::scripts_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QStringList>("problems");
    const auto row = [](const char *name, const QByteArray &text, const QStringList &problems) {
        QTest::newRow(name) << text << problems;
    };
    row("codes kept in another order", "//<$FB>A<$FC>B<end>\n<$FC>B<$FB>A<end>"_ba, {});
    row("line breaks dropped and added", "//A<line>B<end>\nAB<end>\n//AB<end>\nA<line>B<end>"_ba,
        {});
    row("a lost code, at the message's end", "#1\n//A<$FB><end>\n// <end>\nA<$FB>\nB"_ba,
        {u"5:2:-<end>@2"_s, u"5:2:-<end>@3"_s});
    row("an added code, where it stands", "//A<end>\nA<$FC><end>"_ba, {u"2:2:+<$FC>"_s});
    row("the second of a code the original has once", "//<$FB>A\n<$FB>A<$FB>"_ba,
        {u"2:7:+<$FB>"_s});
    row("a message ends at a blank line", "//A<end>\n\nA<$FB>"_ba, {});
    row("and at a skipped line", "//A<end>\n#JMP\nA<$FB>"_ba, {});
    row("a message not translated yet", "//A<end>\n\n//B<end>\nB<end>"_ba, {});
    row("a box of three screen lines", "A<line>A<line>A<end>"_ba, {u"1:15:box 3"_s});
    row("file lines are screen lines", "A\nA\nA\n\nA\nA"_ba, {u"3:1:box 3"_s});
    row("a break at a file line's end counts once", "A<line>\nA<end>\nA<line>\nA"_ba, {});
    row("each box counts anew", "A<line>A<end>A<line>A<end>\nA<line>A"_ba, {});
    row("a box starts at a message", "//A\nA<line>A\n//A\nA<line>A"_ba, {});
}

void TestTextScanner::scripts()
{
    // Atlas-style: the original after "//", <end> ends the box, two screen lines a box.
    QFETCH(QByteArray, text);
    QFETCH(QStringList, problems);
    CheckOptions options;
    options.markup.skippedPrefixes = {"#"};
    options.markup.originalPrefixes = {"//"};
    options.markup.codes.append(pattern(u"<\\$[0-9A-F]{2}>"_s));
    options.markup.boxEnds.append(pattern(u"<end>"_s));
    options.markup.lineBreaks.append(pattern(u"<line>"_s));
    options.markup.linesPerBox = 2;
    for (const qsizetype piece : {0, 1, 5}) {
        const Report report = check(tableDefining(u"AB "_s), options, {}, text, piece);
        QVERIFY2(report.problems == problems, qPrintable(report.problems.join(u' ')));
    }
}

QTEST_APPLESS_MAIN(TestTextScanner)
#include "tst_textscanner.moc"
