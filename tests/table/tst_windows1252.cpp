#include "TextEncoding.h"
#include "Windows1252.h"

#include <QSet>
#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;

class TestWindows1252 final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyByteHasOneCharacterAndBack()
    {
        QSet<char16_t> seen;
        for (int byte = 0; byte < 256; ++byte) {
            const QChar ch = Windows1252::toUnicode(static_cast<unsigned char>(byte));
            QVERIFY2(!seen.contains(ch.unicode()), qPrintable(QString::number(byte, 16)));
            seen.insert(ch.unicode());
            const auto back = Windows1252::fromUnicode(ch);
            QVERIFY(back.has_value());
            QCOMPARE(int(*back), byte);
        }
    }

    // Every byte against Qt's own decoder, which comes from ICU: a swapped or mistyped entry
    // anywhere in the 256 shows here. Decoded one byte at a time and all at once.
    void agreesWithAnIndependentDecoder()
    {
        QStringDecoder reference("windows-1252");
        if (!reference.isValid())
            QSKIP("this Qt has no windows-1252 decoder");
        QByteArray all;
        for (int byte = 0; byte < 256; ++byte) {
            const char b = char(byte);
            all.append(b);
            const QString expected = reference.decode(QByteArrayView(&b, 1));
            QCOMPARE(expected.size(), 1);
            QVERIFY2(Windows1252::toUnicode(static_cast<unsigned char>(byte)) == expected.front(),
                     qPrintable(u"byte %1: U+%2 expected"_s.arg(byte, 2, 16)
                                    .arg(int(expected.front().unicode()), 4, 16, QChar(u'0'))));
        }
        QCOMPARE(decodeText(std::string_view(all.constData(), std::size_t(all.size())),
                            TextEncoding::Windows1252),
                 QString(reference.decode(all)));
    }

    void knownCharacters_data()
    {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("unicode");
        QTest::newRow("A") << 0x41 << 0x41;
        QTest::newRow("euro") << 0x80 << 0x20AC;
        QTest::newRow("undefined 81") << 0x81 << 0x81;
        QTest::newRow("undefined 8D") << 0x8D << 0x8D;
        QTest::newRow("undefined 8F") << 0x8F << 0x8F;
        QTest::newRow("undefined 90") << 0x90 << 0x90;
        QTest::newRow("undefined 9D") << 0x9D << 0x9D;
        QTest::newRow("left single quote") << 0x91 << 0x2018;
        QTest::newRow("Y diaeresis") << 0x9F << 0x178;
        QTest::newRow("nbsp") << 0xA0 << 0xA0;
        QTest::newRow("a grave") << 0xE0 << 0xE0;
        QTest::newRow("y diaeresis") << 0xFF << 0xFF;
    }
    void knownCharacters()
    {
        QFETCH(int, byte);
        QFETCH(int, unicode);
        QCOMPARE(int(Windows1252::toUnicode(static_cast<unsigned char>(byte)).unicode()), unicode);
    }

    void charactersOutsideTheCodePage_data()
    {
        QTest::addColumn<int>("unicode");
        QTest::newRow("C1 control 80") << 0x80;
        QTest::newRow("C1 control 9F") << 0x9F;
        QTest::newRow("greek alpha") << 0x3B1;
        QTest::newRow("cyrillic") << 0x416;
        QTest::newRow("emoji high surrogate") << 0xD83D;
        QTest::newRow("ideograph") << 0x4E2D;
    }
    void charactersOutsideTheCodePage()
    {
        QFETCH(int, unicode);
        QVERIFY(!Windows1252::fromUnicode(QChar(char16_t(unicode))).has_value());
    }

    void decode()
    {
        const std::string_view bytes("\x80 \xE0\xE8\x41", 5);
        const QString text = decodeText(bytes, TextEncoding::Windows1252);
        QCOMPARE(text, QString::fromUtf8("€ àèA"));
    }
};

QTEST_APPLESS_MAIN(TestWindows1252)
#include "tst_windows1252.moc"
