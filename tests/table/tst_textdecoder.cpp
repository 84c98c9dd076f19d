#include "TextDecoder.h"
#include "TextEncoding.h"

#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TextEncoding)

namespace {

struct Decoded {
    QString text;
    bool invalid = false;
};

std::string_view view(const QByteArray &bytes, qsizetype from = 0, qsizetype size = -1)
{
    if (size < 0)
        size = bytes.size() - from;
    return std::string_view(bytes.constData() + from, std::size_t(size));
}

// Decodes in blocks of `step` bytes, or in the two blocks either side of `cut`.
Decoded decode(const QByteArray &bytes, TextEncoding encoding, qsizetype step, qsizetype cut = -1)
{
    QString characters;
    const auto take = [&characters](char32_t ch) { characters += QChar::fromUcs4(ch); };
    TextDecoder decoder(encoding);
    if (cut >= 0) {
        decoder.decode(view(bytes, 0, cut), take);
        decoder.decode(view(bytes, cut), take);
    } else {
        for (qsizetype at = 0; at < bytes.size(); at += step)
            decoder.decode(view(bytes, at, qMin(step, bytes.size() - at)), take);
    }
    decoder.finish(take);
    return {characters, decoder.sawInvalid()};
}

// UTF-8 by hand, so that nothing of ours decides what the bytes are.
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

QByteArray bytesOf(std::initializer_list<char> bytes)
{
    return QByteArray(bytes.begin(), qsizetype(bytes.size()));
}

QByteArray ascii(int n)
{
    return QByteArray(n, 'a');
}

const QString R = u"\uFFFD"_s; // what each invalid stretch becomes

} // namespace

class TestTextDecoder final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void decoding_data()
    {
        QTest::addColumn<TextEncoding>("encoding");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("invalid");
        const auto utf8 = TextEncoding::Utf8;
        const auto cp1252 = TextEncoding::Windows1252;

        QTest::newRow("empty") << utf8 << QByteArray() << QString() << false;
        QTest::newRow("ASCII") << utf8 << "41=A\r\n20= \r\n"_ba << u"41=A\r\n20= \r\n"_s << false;
        QTest::newRow("two-byte") << utf8 << "e8=\xC3\xA8"_ba << u"e8=è"_s << false;
        QTest::newRow("three-byte euro") << utf8 << "\xE2\x82\xAC"_ba << u"€"_s << false;
        QTest::newRow("four-byte emoji")
            << utf8 << "\xF0\x9F\x98\x80"_ba << u"\U0001F600"_s << false;
        QTest::newRow("byte order mark is a character") << utf8
                                                        << "\xEF\xBB\xBF"
                                                           "A"_ba
                                                        << u"\uFEFFA"_s << false;
        QTest::newRow("smallest of each length")
            << utf8 << "\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80"_ba << u"\u0080\u0800\U00010000"_s
            << false;
        QTest::newRow("largest of each length") << utf8 << "\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF"_ba
                                                << u"\u07FF\uFFFF\U0010FFFF"_s << false;
        QTest::newRow("last before the surrogates")
            << utf8 << "\xED\x9F\xBF"_ba << u"\uD7FF"_s << false;
        QTest::newRow("first after the surrogates")
            << utf8 << "\xEE\x80\x80"_ba << u"\uE000"_s << false;

        // Overlong forms, surrogates and code points above U+10FFFF are not UTF-8.
        QTest::newRow("overlong C0 80") << utf8 << "\xC0\x80"_ba << R + R << true;
        QTest::newRow("overlong C1 BF") << utf8 << "\xC1\xBF"_ba << R + R << true;
        QTest::newRow("overlong E0 9F BF") << utf8 << "\xE0\x9F\xBF"_ba << R + R + R << true;
        QTest::newRow("overlong F0 8F BF BF")
            << utf8 << "\xF0\x8F\xBF\xBF"_ba << R.repeated(4) << true;
        QTest::newRow("surrogate ED A0 80") << utf8 << "\xED\xA0\x80"_ba << R + R + R << true;
        QTest::newRow("surrogate ED BF BF") << utf8 << "\xED\xBF\xBF"_ba << R + R + R << true;
        QTest::newRow("above U+10FFFF") << utf8 << "\xF4\x90\x80\x80"_ba << R.repeated(4) << true;
        QTest::newRow("F5 lead") << utf8 << "\xF5\x80\x80\x80"_ba << R.repeated(4) << true;
        QTest::newRow("FF") << utf8 << "\xFF"_ba << R << true;
        QTest::newRow("Windows-1252 bytes")
            << utf8 << "e8=\xE8\r\n"_ba << u"e8="_s + R + u"\r\n"_s << true;
        QTest::newRow("lone continuation") << utf8 << "a\x80"_ba << u"a"_s + R << true;
        // The longest start that could have been valid is one character; the byte that broke it
        // is read again on its own.
        QTest::newRow("lead then ASCII") << utf8
                                         << "\xC3"
                                            "A"_ba
                                         << R + u"A"_s << true;
        QTest::newRow("lead then lead") << utf8 << "\xC3\xC3\xA9"_ba << R + u"é"_s << true;
        QTest::newRow("three-byte start then ASCII") << utf8
                                                     << "\xE2\x98"
                                                        "A"_ba
                                                     << R + u"A"_s << true;
        QTest::newRow("four-byte start then ASCII") << utf8
                                                    << "\xF0\x9F\x98"
                                                       "A"_ba
                                                    << R + u"A"_s << true;
        QTest::newRow("bad second of three") << utf8 << "\xE2\x41\xAC"_ba << R + u"A"_s + R << true;
        QTest::newRow("cut short at the end")
            << utf8 << "\xC3\xA9\xE2\x82"_ba << u"é"_s + R << true;
        const QByteArray mixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"_ba.repeated(40);
        const QString mixedText = u"aé€\U0001F600"_s.repeated(40);
        QTest::newRow("many sequences in a row") << utf8 << mixed << mixedText << false;
        QTest::newRow("many, then a surrogate")
            << utf8 << mixed + "\xED\xA0\x80" + mixed << mixedText + R + R + R + mixedText << true;

        QTest::newRow("Windows-1252") << cp1252 << "\xE8\x80\x81\x9F"_ba << u"è€\u0081Ÿ"_s << false;
        QTest::newRow("UTF-8 bytes read as Windows-1252")
            << cp1252 << "\xC3\xA8"_ba << u"Ã¨"_s << false;
        QTest::newRow("Windows-1252 mark bytes")
            << cp1252 << "\xEF\xBB\xBF"_ba << u"ï»¿"_s << false;

        const auto le = TextEncoding::Utf16LE;
        const auto be = TextEncoding::Utf16BE;
        QTest::newRow("LE") << le << "A\0\xE9\0\xAC\x20\r\0"_ba << u"Aé€\r"_s << false;
        QTest::newRow("BE") << be << "\0A\0\xE9\x20\xAC\0\r"_ba << u"Aé€\r"_s << false;
        QTest::newRow("LE pair") << le << "\x3D\xD8\x00\xDE"_ba << u"\U0001F600"_s << false;
        QTest::newRow("BE pair") << be << "\xD8\x3D\xDE\x00"_ba << u"\U0001F600"_s << false;
        QTest::newRow("BE edges") << be << "\xD7\xFF\xE0\x00\xFF\xFF\xDB\xFF\xDF\xFF"_ba
                                  << u"\uD7FF\uE000\uFFFF\U0010FFFF"_s << false;
        QTest::newRow("LE mark is a character") << le
                                                << "\xFF\xFE"
                                                   "A\0"_ba
                                                << u"\uFEFFA"_s << false;
        QTest::newRow("lone high, then ASCII") << le
                                               << "\x3D\xD8"
                                                  "A\0"_ba
                                               << R + u"A"_s << true;
        QTest::newRow("lone high, then a pair")
            << be << "\xD8\x3D\xD8\x3D\xDE\x00"_ba << R + u"\U0001F600"_s << true;
        QTest::newRow("lone low") << be << "\xDE\x00\0A"_ba << R + u"A"_s << true;
        QTest::newRow("high at the end") << le << "A\0\x3D\xD8"_ba << u"A"_s + R << true;
        QTest::newRow("odd byte at the end") << le << "A\0B"_ba << u"A"_s + R << true;
        QTest::newRow("many LE pairs") << le << "A\0\x3D\xD8\x00\xDE"_ba.repeated(40)
                                       << u"A\U0001F600"_s.repeated(40) << false;
        QTest::newRow("high, then odd byte") << be << "\xD8\x3D\0"_ba << R + R << true;
    }
    // Whole and in blocks of every size, so that every sequence is split at every place.
    void decoding()
    {
        QFETCH(TextEncoding, encoding);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, invalid);
        for (qsizetype step = 1; step <= qMax<qsizetype>(bytes.size(), 1); ++step) {
            const Decoded decoded = decode(bytes, encoding, step);
            QVERIFY2(decoded.text == text, qPrintable(u"blocks of %1"_s.arg(step)));
            QCOMPARE(decoded.invalid, invalid);
        }
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut)
            QVERIFY2(decode(bytes, encoding, 0, cut).text == text,
                     qPrintable(u"cut %1"_s.arg(cut)));
        QCOMPARE(decodeText(view(bytes), encoding), text);
    }

    void mark_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<int>("encoding"); // -1: no mark
        QTest::addColumn<int>("length");
        QTest::newRow("UTF-8") << "\xEF\xBB\xBF"_ba << int(TextEncoding::Utf8) << 3;
        QTest::newRow("UTF-16 LE") << "\xFF\xFE\0\0"_ba << int(TextEncoding::Utf16LE) << 2;
        QTest::newRow("UTF-16 BE") << "\xFE\xFF"
                                      "A"_ba
                                   << int(TextEncoding::Utf16BE) << 2;
        QTest::newRow("UTF-8 cut short") << "\xEF\xBB"_ba << -1 << 0;
        QTest::newRow("FE alone") << "\xFE"_ba << -1 << 0;
        QTest::newRow("later") << " \xFF\xFE"_ba << -1 << 0;
        QTest::newRow("empty") << QByteArray() << -1 << 0;
    }
    void mark()
    {
        QFETCH(QByteArray, start);
        QFETCH(int, encoding);
        QFETCH(int, length);
        const std::optional<ByteOrderMark> mark = byteOrderMark(view(start));
        QCOMPARE(mark ? int(mark->encoding) : -1, encoding);
        QCOMPARE(mark ? int(mark->length) : 0, length);
    }

    // Sequences inside ASCII runs, cut between two blocks at every place.
    void sequencesInsideRuns_data()
    {
        QTest::addColumn<QByteArray>("sequence");
        QTest::addColumn<QString>("text");
        QTest::newRow("C3 A9") << "\xC3\xA9"_ba << u"é"_s;
        QTest::newRow("F0 9F 98 80") << "\xF0\x9F\x98\x80"_ba << u"\U0001F600"_s;
        QTest::newRow("E8 alone") << "\xE8"_ba << R;
        QTest::newRow("ED A0 80") << "\xED\xA0\x80"_ba << R + R + R;
        QTest::newRow("F0 9F 98 then ASCII") << "\xF0\x9F\x98"_ba << R;
    }
    void sequencesInsideRuns()
    {
        QFETCH(QByteArray, sequence);
        QFETCH(QString, text);
        for (int offset = 0; offset < 20; ++offset) {
            const QByteArray bytes = ascii(offset) + sequence + ascii(20);
            const QString expected = QString(offset, u'a') + text + QString(20, u'a');
            for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
                const Decoded decoded = decode(bytes, TextEncoding::Utf8, 0, cut);
                if (decoded.text != expected || decoded.invalid != text.contains(R))
                    QFAIL(qPrintable(u"offset %1, cut at %2"_s.arg(offset).arg(cut)));
            }
        }
    }

    // Every code point written as UTF-8 comes back; the same bytes with the last one dropped are
    // invalid.
    void everyCodePoint()
    {
        for (char32_t u = 0; u <= 0x10FFFF; ++u) {
            if (u >= 0xD800 && u <= 0xDFFF)
                continue;
            const QByteArray bytes = encoded(u);
            const Decoded whole = decode(bytes, TextEncoding::Utf8, bytes.size());
            if (whole.invalid || whole.text != QStringView(QChar::fromUcs4(u)))
                QFAIL(qPrintable(u"U+%1"_s.arg(quint32(u), 0, 16)));
            if (bytes.size() > 1 && !decode(bytes.chopped(1), TextEncoding::Utf8, 1).invalid)
                QFAIL(qPrintable(u"U+%1 cut short"_s.arg(quint32(u), 0, 16)));
        }
    }

    // Every lead and second byte, with third and fourth bytes from each side of the continuation
    // range: valid exactly when
    // Qt's own strict decoder finds them valid, and then decoded alike.
    void agreesWithQt()
    {
        QByteArray bytes;
        const auto check = [&bytes] {
            QStringDecoder qt(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                        QStringDecoder::Flag::ConvertInitialBom);
            const QString expected = qt.decode(bytes);
            const Decoded ours = decode(bytes, TextEncoding::Utf8, bytes.size());
            return ours.invalid == qt.hasError() && (ours.invalid || ours.text == expected);
        };
        for (int first = 0x80; first < 0x100; ++first) {
            for (int second = 0; second < 0x100; ++second) {
                bytes = bytesOf({char(first), char(second)});
                if (!check())
                    QFAIL(bytes.toHex(' ').constData());
                if (first < 0xE0)
                    continue;
                for (const char third :
                     {'A', '\x7F', '\x80', '\x9F', '\xA0', '\xBF', '\xC0', '\xFF'}) {
                    bytes = bytesOf({char(first), char(second), third});
                    if (!check())
                        QFAIL(bytes.toHex(' ').constData());
                    for (const char fourth : {'A', '\x80', '\xBF', '\xC0'}) {
                        bytes = bytesOf({char(first), char(second), third, fourth});
                        if (first >= 0xF0 && (third & 0xC0) == 0x80 && !check())
                            QFAIL(bytes.toHex(' ').constData());
                    }
                }
            }
        }
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
        QCOMPARE(wholeUtf8Length(view(bytes)), std::size_t(length));
    }
};

QTEST_APPLESS_MAIN(TestTextDecoder)
#include "tst_textdecoder.moc"
