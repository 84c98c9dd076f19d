#include "CharacterCodes.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Codes = QList<qint16>;

class TestCharacterCodes final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void codes_data();
    void codes();
    void typedTextKeepsEachCharacter();
    void committedText_data();
    void committedText();
};

void TestCharacterCodes::codes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Codes>("expected");

    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;

    QTest::newRow("Return") << int(Qt::Key_Return) << none << u"\r"_s << Codes{13};
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                  << u"\r"_s << Codes{13};
    QTest::newRow("Return without text") << int(Qt::Key_Return) << none << QString() << Codes{13};
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << u"\b"_s << Codes{8};
    QTest::newRow("Delete") << int(Qt::Key_Delete) << none << u"\x7f"_s << Codes{};
    QTest::newRow("Delete without text") << int(Qt::Key_Delete) << none << QString() << Codes{};
    QTest::newRow("Left") << int(Qt::Key_Left) << none << QString() << Codes{};
    QTest::newRow("Home") << int(Qt::Key_Home) << none << QString() << Codes{};
    QTest::newRow("F1") << int(Qt::Key_F1) << none << QString() << Codes{};
    QTest::newRow("Escape") << int(Qt::Key_Escape) << none << u"\x1b"_s << Codes{};
    QTest::newRow("Tab") << int(Qt::Key_Tab) << none << u"\t"_s << Codes{};
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << ctrl << u"\x03"_s << Codes{};
    QTest::newRow("Ctrl+V with text") << int(Qt::Key_V) << ctrl << u"v"_s << Codes{};
    QTest::newRow("Ctrl+A") << int(Qt::Key_A) << ctrl << u"\x01"_s << Codes{};
    QTest::newRow("Meta+Z") << int(Qt::Key_Z) << Qt::KeyboardModifiers(Qt::MetaModifier) << u"z"_s
                            << Codes{};
    QTest::newRow("AltGr as Ctrl+Alt types")
        << int(Qt::Key_E) << (Qt::ControlModifier | Qt::AltModifier) << u"\u20ac"_s << Codes{128};
    QTest::newRow("a") << int(Qt::Key_A) << none << u"a"_s << Codes{97};
    QTest::newRow("A with Shift") << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                  << u"A"_s << Codes{65};
    QTest::newRow("blank") << int(Qt::Key_Space) << none << u" "_s << Codes{32};
    QTest::newRow("keypad digit") << int(Qt::Key_7) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                  << u"7"_s << Codes{55};
    QTest::newRow("e acute") << int(Qt::Key_Eacute) << none << u"\u00e9"_s << Codes{233};
    QTest::newRow("euro") << int(Qt::Key_unknown) << none << u"\u20ac"_s << Codes{128};
    QTest::newRow("y diaeresis is 255")
        << int(Qt::Key_ydiaeresis) << none << u"\u00ff"_s << Codes{255};
    QTest::newRow("greek alpha") << int(Qt::Key_unknown) << none << u"\u03b1"_s << Codes{-1};
    QTest::newRow("emoji surrogate pair")
        << int(Qt::Key_unknown) << none << u"\U0001F600"_s << Codes{-1};
    QTest::newRow("lone surrogate") << int(Qt::Key_unknown) << none << u"\xd83d"_s << Codes{};
    QTest::newRow("several characters")
        << int(Qt::Key_unknown) << none << u"a\u00e9\U0001F600\u20ac"_s << Codes{97, 233, -1, 128};
    QTest::newRow("control characters inside text, DEL a code") << int(Qt::Key_unknown) << none
                                                                << u"a\x7f"
                                                                   "b\nc"_s
                                                                << Codes{97, 127, 98, 99};
    QTest::newRow("dead key without text")
        << int(Qt::Key_Dead_Acute) << none << QString() << Codes{};
}

void TestCharacterCodes::codes()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, text);
    QFETCH(Codes, expected);

    Codes codes;
    for (const TypedCharacter &typed : typedCharacters(key, modifiers, text))
        codes.append(typed.code);
    QCOMPARE(codes, expected);
}

void TestCharacterCodes::typedTextKeepsEachCharacter()
{
    const QList<TypedCharacter> typed =
        typedCharacters(Qt::Key_unknown, Qt::NoModifier, u"x\U0001F600\u03b1"_s);
    const QList<TypedCharacter> expected{{120, u"x"_s}, {-1, u"\U0001F600"_s}, {-1, u"\u03b1"_s}};
    QCOMPARE(typed, expected);

    // Return and Backspace type no character of their own.
    QCOMPARE(typedCharacters(Qt::Key_Return, Qt::NoModifier, u"\r"_s),
             (QList<TypedCharacter>{{13, QString()}}));
    QCOMPARE(typedCharacters(Qt::Key_Backspace, Qt::NoModifier, u"\b"_s),
             (QList<TypedCharacter>{{8, QString()}}));
}

void TestCharacterCodes::committedText_data()
{
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QList<TypedCharacter>>("expected");

    using T = QList<TypedCharacter>;
    QTest::newRow("nothing") << QString() << T{};
    QTest::newRow("dead acute and e") << u"\u00e9"_s << T{{233, u"\u00e9"_s}};
    QTest::newRow("euro") << u"\u20ac"_s << T{{128, u"\u20ac"_s}};
    QTest::newRow("several, in order")
        << u"a\u00e8\u03b1\U0001F600"_s
        << T{{97, u"a"_s}, {232, u"\u00e8"_s}, {-1, u"\u03b1"_s}, {-1, u"\U0001F600"_s}};
    QTest::newRow("line break and tab are no characters")
        << u"a\nb\t"_s << T{{97, u"a"_s}, {98, u"b"_s}};
    // A commit is text, not a key: a carriage return in it is no Enter.
    QTest::newRow("carriage return") << u"\r"_s << T{};
}

void TestCharacterCodes::committedText()
{
    QFETCH(QString, commit);
    QFETCH(QList<TypedCharacter>, expected);
    QCOMPARE(committedCharacters(commit), expected);
}

QTEST_APPLESS_MAIN(TestCharacterCodes)
#include "tst_charactercodes.moc"
