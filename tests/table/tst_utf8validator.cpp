#include "TextEncoding.h"
#include "Utf8Validator.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TextEncoding)

namespace {

struct Verdict {
    bool valid;
    bool multiByte;
    bool mark;
    TextEncoding encoding;
};

Verdict verdictOf(const Utf8Validator &validator)
{
    return {validator.valid(), validator.sawMultiByte(), validator.startsWithByteOrderMark(),
            validator.encoding()};
}

Verdict feedInPieces(const QByteArray &bytes, qsizetype step)
{
    Utf8Validator validator;
    for (qsizetype at = 0; at < bytes.size(); at += step)
        validator.feed(
            std::string_view(bytes.constData() + at, std::size_t(qMin(step, bytes.size() - at))));
    return verdictOf(validator);
}

// UTF-8 by hand: Qt's conversions take U+FEFF at the start for a byte order mark and drop it.
QByteArray encoded(char32_t u)
{
    if (u < 0x80)
        return QByteArray(1, char(u));
    const int continuations = u < 0x800 ? 1 : u < 0x10000 ? 2 : 3;
    QByteArray out(1, char(((0xFF00 >> (continuations + 1)) & 0xFF) | (u >> (6 * continuations))));
    for (int i = continuations - 1; i >= 0; --i)
        out += char(0x80 | ((u >> (6 * i)) & 0x3F));
    return out;
}

QByteArray ascii(int n)
{
    return QByteArray(n, 'a');
}

} // namespace

class TestUtf8Validator final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void detection_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("multiByte");
        QTest::addColumn<bool>("mark");
        QTest::addColumn<TextEncoding>("encoding");
        const auto utf8 = TextEncoding::Utf8;
        const auto cp1252 = TextEncoding::Windows1252;

        QTest::newRow("empty") << QByteArray() << true << false << false << cp1252;
        QTest::newRow("pure ASCII")
            << QByteArray("41=A\r\n20= \r\n") << true << false << false << cp1252;
        QTest::newRow("two-byte e8")
            << QByteArray("e8=\xC3\xA8\r\n") << true << true << false << utf8;
        QTest::newRow("three-byte euro")
            << QByteArray("80=\xE2\x82\xAC") << true << true << false << utf8;
        QTest::newRow("four-byte emoji")
            << QByteArray("41=\xF0\x9F\x98\x80") << true << true << false << utf8;
        QTest::newRow("mark and ASCII") << QByteArray("\xEF\xBB\xBF"
                                                      "41=A\r\n")
                                        << true << true << true << utf8;
        QTest::newRow("mark alone") << QByteArray("\xEF\xBB\xBF") << true << true << true << utf8;
        // The mark settles it even when what follows is not UTF-8.
        QTest::newRow("mark then invalid") << QByteArray("\xEF\xBB\xBF"
                                                         "e8=\xE8\r\n")
                                           << false << true << true << utf8;
        QTest::newRow("half a mark") << QByteArray("\xEF\xBB") << false << false << false << cp1252;
        QTest::newRow("mark later in the file")
            << QByteArray("41=\xEF\xBB\xBF") << true << true << false << utf8;
        QTest::newRow("Windows-1252 accents")
            << QByteArray("e8=\xE8\r\ne0=\xE0\r\n") << false << false << false << cp1252;
        QTest::newRow("Windows-1252 euro")
            << QByteArray("80=\x80\r\n") << false << false << false << cp1252;
        // "Ã©" in Windows-1252 is C3 A9, which is also "é" in UTF-8: read as UTF-8, by the rule.
        QTest::newRow("Windows-1252 that looks like UTF-8")
            << QByteArray("e9=\xC3\xA9\r\n") << true << true << false << utf8;
        QTest::newRow("valid, then invalid far on")
            << ascii(40) + "\xC3\xA9" + ascii(40) + "\xE8" + ascii(40) << false << true << false
            << cp1252;

        // Overlong forms, surrogates and code points above U+10FFFF are not UTF-8.
        QTest::newRow("overlong C0 80")
            << QByteArray("\xC0\x80") << false << false << false << cp1252;
        QTest::newRow("overlong C1 BF")
            << QByteArray("\xC1\xBF") << false << false << false << cp1252;
        QTest::newRow("overlong E0 9F BF")
            << QByteArray("\xE0\x9F\xBF") << false << false << false << cp1252;
        QTest::newRow("smallest three-byte E0 A0 80")
            << QByteArray("\xE0\xA0\x80") << true << true << false << utf8;
        QTest::newRow("overlong F0 8F BF BF")
            << QByteArray("\xF0\x8F\xBF\xBF") << false << false << false << cp1252;
        QTest::newRow("smallest four-byte F0 90 80 80")
            << QByteArray("\xF0\x90\x80\x80") << true << true << false << utf8;
        QTest::newRow("surrogate ED A0 80")
            << QByteArray("\xED\xA0\x80") << false << false << false << cp1252;
        QTest::newRow("surrogate ED BF BF")
            << QByteArray("\xED\xBF\xBF") << false << false << false << cp1252;
        QTest::newRow("last before surrogates ED 9F BF")
            << QByteArray("\xED\x9F\xBF") << true << true << false << utf8;
        QTest::newRow("largest F4 8F BF BF")
            << QByteArray("\xF4\x8F\xBF\xBF") << true << true << false << utf8;
        QTest::newRow("above U+10FFFF F4 90 80 80")
            << QByteArray("\xF4\x90\x80\x80") << false << false << false << cp1252;
        QTest::newRow("F5 lead") << QByteArray("\xF5\x80\x80\x80") << false << false << false
                                 << cp1252;
        QTest::newRow("FF") << QByteArray("\xFF") << false << false << false << cp1252;
        QTest::newRow("lone continuation")
            << QByteArray("a\x80") << false << false << false << cp1252;
        QTest::newRow("lead then ASCII") << QByteArray("\xC3"
                                                       "A")
                                         << false << false << false << cp1252;
        QTest::newRow("cut short at the end")
            << QByteArray("\xC3\xA9\xE2\x82") << false << true << false << cp1252;
        const QByteArray mixed = QByteArray("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80").repeated(40);
        QTest::newRow("many sequences in a row") << mixed << true << true << false << utf8;
        QTest::newRow("many sequences, then a surrogate")
            << mixed + "\xED\xA0\x80" + mixed << false << true << false << cp1252;
        QTest::newRow("long ASCII runs around a sequence")
            << ascii(100) + "\xE2\x82\xAC" + ascii(33) << true << true << false << utf8;
    }
    // Whole, and cut into pieces of every size, so that sequences and the mark are split across
    // feeds at every place.
    void detection()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QFETCH(bool, multiByte);
        QFETCH(bool, mark);
        QFETCH(TextEncoding, encoding);
        for (qsizetype step = 1; step <= qMax<qsizetype>(bytes.size(), 1); ++step) {
            const Verdict verdict = feedInPieces(bytes, step);
            QVERIFY2(verdict.valid == valid, qPrintable(u"feeds of %1"_s.arg(step)));
            QCOMPARE(verdict.multiByte, multiByte);
            QCOMPARE(verdict.mark, mark);
            QCOMPARE(verdict.encoding, encoding);
        }
    }

    // The same sequences in the middle of long ASCII runs, where the checks go 64 bytes at a time,
    // at every offset across a block's edge and split between two feeds at every place.
    void sequencesInsideRuns_data()
    {
        QTest::addColumn<QByteArray>("sequence");
        QTest::addColumn<bool>("valid");
        QTest::newRow("C3 A9") << QByteArray("\xC3\xA9") << true;
        QTest::newRow("E2 82 AC") << QByteArray("\xE2\x82\xAC") << true;
        QTest::newRow("F0 9F 98 80") << QByteArray("\xF0\x9F\x98\x80") << true;
        QTest::newRow("E0 A0 80") << QByteArray("\xE0\xA0\x80") << true;
        QTest::newRow("ED 9F BF") << QByteArray("\xED\x9F\xBF") << true;
        QTest::newRow("F4 8F BF BF") << QByteArray("\xF4\x8F\xBF\xBF") << true;
        QTest::newRow("E8 alone") << QByteArray("\xE8") << false;
        QTest::newRow("C1 BF") << QByteArray("\xC1\xBF") << false;
        QTest::newRow("E0 9F BF") << QByteArray("\xE0\x9F\xBF") << false;
        QTest::newRow("F0 8F BF BF") << QByteArray("\xF0\x8F\xBF\xBF") << false;
        QTest::newRow("ED A0 80") << QByteArray("\xED\xA0\x80") << false;
        QTest::newRow("F4 90 80 80") << QByteArray("\xF4\x90\x80\x80") << false;
        QTest::newRow("F5 80 80 80") << QByteArray("\xF5\x80\x80\x80") << false;
        QTest::newRow("E2 82 then ASCII") << QByteArray("\xE2\x82") << false;
        QTest::newRow("E2 41 AC") << QByteArray("\xE2\x41\xAC") << false;
        QTest::newRow("F0 9F 98 41") << QByteArray("\xF0\x9F\x98\x41") << false;
        QTest::newRow("continuation 80") << QByteArray("\x80") << false;
    }
    void sequencesInsideRuns()
    {
        QFETCH(QByteArray, sequence);
        QFETCH(bool, valid);
        for (int offset = 0; offset < 70; ++offset) {
            const QByteArray bytes = ascii(offset) + sequence + ascii(140);
            for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
                Utf8Validator validator;
                validator.feed(std::string_view(bytes.constData(), std::size_t(cut)));
                validator.feed(
                    std::string_view(bytes.constData() + cut, std::size_t(bytes.size() - cut)));
                if (validator.valid() != valid || validator.sawMultiByte() != valid)
                    QFAIL(qPrintable(u"offset %1, cut at %2"_s.arg(offset).arg(cut)));
            }
        }
    }

    // Every code point written as UTF-8 is valid; the same bytes with the last one dropped are not.
    void everyCodePoint()
    {
        for (char32_t u = 0; u <= 0x10FFFF; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            const QByteArray bytes = encoded(u);
            Utf8Validator whole;
            whole.feed(std::string_view(bytes.constData(), std::size_t(bytes.size())));
            if (!whole.valid() || whole.sawMultiByte() != (u >= 0x80))
                QFAIL(qPrintable(u"U+%1"_s.arg(quint32(u), 0, 16)));
            if (bytes.size() > 1) {
                Utf8Validator cut;
                cut.feed(std::string_view(bytes.constData(), std::size_t(bytes.size() - 1)));
                if (cut.valid())
                    QFAIL(qPrintable(u"U+%1 cut short"_s.arg(quint32(u), 0, 16)));
            }
        }
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8 e grave") << QByteArray("\xC3\xA8") << TextEncoding::Utf8 << u"è"_s;
        QTest::newRow("Windows-1252 e grave")
            << QByteArray("\xE8") << TextEncoding::Windows1252 << u"è"_s;
        QTest::newRow("same bytes, other reading")
            << QByteArray("\xC3\xA8") << TextEncoding::Windows1252 << u"Ã¨"_s;
        QTest::newRow("euro") << QByteArray("\xE2\x82\xAC") << TextEncoding::Utf8 << u"€"_s;
        QTest::newRow("four bytes, two units")
            << QByteArray("\xF0\x9F\x98\x80") << TextEncoding::Utf8 << u"\U0001F600"_s;
        // A bad byte in UTF-8 keeps a place of its own.
        QTest::newRow("invalid byte in UTF-8") << QByteArray("a\xE8"
                                                             "b")
                                               << TextEncoding::Utf8 << u"a\uFFFDb"_s;
    }
    void decoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(TextEncoding, encoding);
        QFETCH(QString, text);
        QCOMPARE(
            decodeText(std::string_view(bytes.constData(), std::size_t(bytes.size())), encoding),
            text);
    }

    void wholeLength_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("length");
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("ASCII") << QByteArray("abc") << 3;
        QTest::newRow("whole two-byte") << QByteArray("a\xC3\xA8") << 3;
        QTest::newRow("cut two-byte") << QByteArray("a\xC3") << 1;
        QTest::newRow("whole four-byte") << QByteArray("\xF0\x9F\x98\x80") << 4;
        QTest::newRow("four-byte cut after 3") << QByteArray("ab\xF0\x9F\x98") << 2;
        QTest::newRow("four-byte cut after 1") << QByteArray("ab\xF0") << 2;
        QTest::newRow("three-byte cut after 2") << QByteArray("\xC3\xA8\xE2\x82") << 2;
        QTest::newRow("stray continuation kept") << QByteArray("a\x80") << 2;
    }
    void wholeLength()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, length);
        QCOMPARE(wholeUtf8Length(std::string_view(bytes.constData(), std::size_t(bytes.size()))),
                 std::size_t(length));
    }
};

QTEST_APPLESS_MAIN(TestUtf8Validator)
#include "tst_utf8validator.moc"
