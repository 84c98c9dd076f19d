#include "CharacterTable.h"
#include "Clipboard.h"
#include "LineBox.h"
#include "TableParser.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

using Codes = QList<qint16>;

Q_DECLARE_METATYPE(KeystrokeAction)

namespace {

// A (41), B (42) and e grave (E8) defined, e acute (E9) not; "#" fills the rest.
CharacterTable smallTable()
{
    TableParser parser;
    parser.feed("41=A\r\n42=B\r\nE8=\xE8\r\n");
    parser.finish();
    CharacterTable table;
    table.merge(parser);
    return table;
}

} // namespace

class TestLineBox final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void admissionSeesEveryCharacterInOrder();
    void keysWithoutCharacterNeverReachAdmission_data();
    void keysWithoutCharacterNeverReachAdmission();
    void actions_data();
    void actions();
    void enterInsertsNothing_data();
    void enterInsertsNothing();
    void backspace();
    void oneEventWithSeveralCharacters();
    void setSelectionStart_data();
    void setSelectionStart();

    void inputMethodCommits_data();
    void inputMethodCommits();
    void inputMethodCommitIsAdmittedCharacterByCharacter();
    void preeditShowsThenCommits();
    void preeditWithoutCommitIsNotAdmitted();

    void typedInputStopsAtLimit_data();
    void typedInputStopsAtLimit();
    void typedKeyMatchesTheValidatorAlone_data();
    void typedKeyMatchesTheValidatorAlone();
    void admittedKeyRefusedByLimit();
    void loweredLimitKeepsLine();
    void typingOverSelectionAtLimit();
    void selectionReplacedOverLoweredLimit_data();
    void selectionReplacedOverLoweredLimit();
    void pasteIsCutToRoomLeft_data();
    void pasteIsCutToRoomLeft();
    void alteredPasteCanBeUndone_data();
    void alteredPasteCanBeUndone();
    void dropIsCutToRoomLeft();
    void droppedFilesAreNeverTyped();
    void inputMethodCommitIsCutToRoomLeft();
    void textFromCodeIsNotLimited();
    void linesLongerThanQtsDefaultCap();
    void redoAfterBackwardSelection_data();
    void redoAfterBackwardSelection();

private:
    void typeKey(Qt::Key key, const QString &text = QString(),
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void commit(const QString &text);
    void startFrom(const QString &text, int cursor, int selectLength);

    LineBox *m_box = nullptr;
    Codes m_seen;
    // What the admission answers; by default every character passes on.
    std::function<KeystrokeAction(qint16)> m_decide;
    CharacterTable m_table = smallTable();
};

void TestLineBox::init()
{
    m_box = new LineBox;
    m_seen.clear();
    m_decide = [](qint16 code) {
        return code == 13 ? KeystrokeAction::Enter : KeystrokeAction::PassOn;
    };
    m_box->setAdmission([this](qint16 code) {
        m_seen.append(code);
        return m_decide(code);
    });
    m_box->show();
    m_box->activateWindow();
    m_box->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(m_box));
}

void TestLineBox::cleanup()
{
    delete m_box;
    m_box = nullptr;
    QGuiApplication::clipboard()->clear();
}

void TestLineBox::typeKey(Qt::Key key, const QString &text, Qt::KeyboardModifiers modifiers)
{
    QTest::sendKeyEvent(QTest::Click, m_box, key, text, modifiers);
}

void TestLineBox::commit(const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(m_box, &event);
}

void TestLineBox::startFrom(const QString &text, int cursor, int selectLength)
{
    m_box->setTextUnlimited(text);
    if (selectLength != 0)
        m_box->setSelection(cursor, selectLength);
    else
        m_box->setSelectionStart(cursor);
}

void TestLineBox::admissionSeesEveryCharacterInOrder()
{
    QTest::keyClicks(m_box, u"Ab 1"_s);
    typeKey(Qt::Key_Eacute, u"\u00e9"_s); // QTest types ASCII only
    QCOMPARE(m_seen, (Codes{65, 98, 32, 49, 233}));
    QCOMPARE(m_box->text(), u"Ab 1\u00e9"_s);

    // No code page character: -1, and passed on it goes in.
    typeKey(Qt::Key_unknown, u"\u03b1"_s);
    QCOMPARE(m_seen.last(), qint16(-1));
    QCOMPARE(m_box->text(), u"Ab 1\u00e9\u03b1"_s);
}

void TestLineBox::keysWithoutCharacterNeverReachAdmission_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<QString>("after"); // from "abcd" with the cursor after "ab"

    QTest::newRow("Delete") << int(Qt::Key_Delete) << u"\x7f"_s
                            << Qt::KeyboardModifiers(Qt::NoModifier) << u"abd"_s;
    QTest::newRow("Left") << int(Qt::Key_Left) << QString() << Qt::KeyboardModifiers(Qt::NoModifier)
                          << u"abcd"_s;
    QTest::newRow("Home") << int(Qt::Key_Home) << QString() << Qt::KeyboardModifiers(Qt::NoModifier)
                          << u"abcd"_s;
    QTest::newRow("F2") << int(Qt::Key_F2) << QString() << Qt::KeyboardModifiers(Qt::NoModifier)
                        << u"abcd"_s;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << u"\x1b"_s
                            << Qt::KeyboardModifiers(Qt::NoModifier) << u"abcd"_s;
    QTest::newRow("Ctrl+C") << int(Qt::Key_C) << u"c"_s
                            << Qt::KeyboardModifiers(Qt::ControlModifier) << u"abcd"_s;
    QTest::newRow("Ctrl+A") << int(Qt::Key_A) << u"a"_s
                            << Qt::KeyboardModifiers(Qt::ControlModifier) << u"abcd"_s;
}

void TestLineBox::keysWithoutCharacterNeverReachAdmission()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, after);

    startFrom(u"abcd"_s, 2, 0);
    typeKey(Qt::Key(key), text, modifiers);
    QCOMPARE(m_seen, Codes{});
    QCOMPARE(m_box->text(), after);
}

void TestLineBox::actions_data()
{
    QTest::addColumn<KeystrokeAction>("action");
    QTest::addColumn<int>("selectionStart");
    QTest::addColumn<int>("selectionLength");
    QTest::addColumn<QString>("after"); // "XY" typed into "abcd"
    QTest::addColumn<int>("caretAfter");

    using A = KeystrokeAction;
    QTest::newRow("pass on, caret in the middle") << A::PassOn << 2 << 0 << u"abXYcd"_s << 4;
    QTest::newRow("pass on, selection replaced") << A::PassOn << 1 << 2 << u"aXYd"_s << 3;
    QTest::newRow("append, caret in the middle") << A::AppendAtEnd << 2 << 0 << u"abcdXY"_s << 6;
    QTest::newRow("append, part selected") << A::AppendAtEnd << 1 << 2 << u"abcdXY"_s << 6;
    QTest::newRow("append, all selected") << A::AppendAtEnd << 0 << 4 << u"abcdXY"_s << 6;
    QTest::newRow("drop, caret in the middle") << A::Drop << 2 << 0 << u"abcd"_s << 2;
    QTest::newRow("drop, selection kept") << A::Drop << 1 << 2 << u"abcd"_s << 3;
}

void TestLineBox::actions()
{
    QFETCH(KeystrokeAction, action);
    QFETCH(int, selectionStart);
    QFETCH(int, selectionLength);
    QFETCH(QString, after);
    QFETCH(int, caretAfter);

    m_decide = [action](qint16) { return action; };
    QSignalSpy enter(m_box, &LineBox::enterPressed);
    startFrom(u"abcd"_s, selectionStart, selectionLength);
    QTest::keyClicks(m_box, u"XY"_s);
    QCOMPARE(m_seen, (Codes{88, 89}));
    QCOMPARE(m_box->text(), after);
    QCOMPARE(m_box->cursorPosition(), caretAfter);
    QCOMPARE(enter.size(), 0);

    // A commit is decided the same way.
    startFrom(u"abcd"_s, selectionStart, selectionLength);
    commit(u"XY"_s);
    QCOMPARE(m_box->text(), after);
    QCOMPARE(m_box->cursorPosition(), caretAfter);
}

void TestLineBox::enterInsertsNothing_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
}

void TestLineBox::enterInsertsNothing()
{
    QFETCH(int, key);

    QStringList order;
    connect(m_box, &LineBox::enterPressed, m_box, [&] { order << u"enter"_s + m_box->text(); });
    connect(m_box, &QLineEdit::returnPressed, m_box, [&] { order << u"return"_s; });
    startFrom(u"riga"_s, 2, 0);
    const Qt::KeyboardModifiers modifiers =
        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    typeKey(Qt::Key(key), u"\r"_s, modifiers);
    QCOMPARE(m_seen, Codes{13});
    QCOMPARE(m_box->text(), u"riga"_s);
    // The window hears of Enter before the box acts on the key.
    QCOMPARE(order, (QStringList{u"enterriga"_s, u"return"_s}));

    // A window that empties the box on Enter leaves it empty, with no line break.
    connect(m_box, &LineBox::enterPressed, m_box, [this] { m_box->setTextUnlimited(QString()); });
    typeKey(Qt::Key(key), u"\r"_s, modifiers);
    QCOMPARE(m_box->text(), QString());

    // Dropped, Enter reports nothing.
    m_decide = [](qint16) { return KeystrokeAction::Drop; };
    order.clear();
    typeKey(Qt::Key(key), u"\r"_s, modifiers);
    QCOMPARE(order, QStringList());
}

void TestLineBox::backspace()
{
    startFrom(u"abc"_s, 3, 0);
    QTest::keyClick(m_box, Qt::Key_Backspace);
    QCOMPARE(m_seen, Codes{8});
    QCOMPARE(m_box->text(), u"ab"_s);

    m_decide = [](qint16) { return KeystrokeAction::Drop; };
    QTest::keyClick(m_box, Qt::Key_Backspace);
    QCOMPARE(m_box->text(), u"ab"_s);
}

void TestLineBox::oneEventWithSeveralCharacters()
{
    m_decide = [](qint16 code) {
        return code == -1 ? KeystrokeAction::Drop : KeystrokeAction::PassOn;
    };
    typeKey(Qt::Key_unknown, u"a\U0001F600\u00e8b"_s);
    QCOMPARE(m_seen, (Codes{97, -1, 232, 98}));
    QCOMPARE(m_box->text(), u"a\u00e8b"_s);
}

void TestLineBox::setSelectionStart_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<int>("expected");

    QTest::newRow("start") << 0 << 0;
    QTest::newRow("middle") << 3 << 3;
    QTest::newRow("end") << 6 << 6;
    QTest::newRow("past the end") << 10 << 6;
    QTest::newRow("negative") << -1 << 0;
}

void TestLineBox::setSelectionStart()
{
    QFETCH(int, offset);
    QFETCH(int, expected);

    m_box->setText(u"abcdef"_s);
    m_box->selectAll();
    m_box->setSelectionStart(offset);
    QVERIFY(!m_box->hasSelectedText());
    QCOMPARE(m_box->cursorPosition(), expected);
}

void TestLineBox::typedInputStopsAtLimit_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no limit") << 0 << u"abcdefghij"_s << u"abcdefghij"_s;
    QTest::newRow("limit 3") << 3 << u"abcdef"_s << u"abc"_s;
    QTest::newRow("limit 1") << 1 << u"ab"_s << u"a"_s;
    QTest::newRow("limit 45 of 50") << 45 << QString(50, u'x') << QString(45, u'x');
    QTest::newRow("limit above length") << 10 << u"abc"_s << u"abc"_s;
    QTest::newRow("negative is no limit") << -5 << u"abcdef"_s << u"abcdef"_s;
}

void TestLineBox::typedInputStopsAtLimit()
{
    QFETCH(int, limit);
    QFETCH(QString, typed);
    QFETCH(QString, expected);

    m_box->setLengthLimit(limit);
    QTest::keyClicks(m_box, typed);
    QCOMPARE(m_box->text(), expected);
    // Keys the limit refused leave the undo history whole.
    QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_box->text(), QString());
}

void TestLineBox::typedKeyMatchesTheValidatorAlone_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("selectionStart");
    QTest::addColumn<int>("selectionLength");

    QTest::newRow("no limit") << 0 << u"abcd"_s << 2 << 0;
    QTest::newRow("room left") << 5 << u"abcd"_s << 2 << 0;
    QTest::newRow("full") << 4 << u"abcd"_s << 2 << 0;
    QTest::newRow("full, selection") << 4 << u"abcd"_s << 1 << 2;
    QTest::newRow("over a lowered limit") << 2 << u"abcd"_s << 4 << 0;
    QTest::newRow("over a lowered limit, selection") << 2 << u"abcd"_s << 0 << 3;
    QTest::newRow("empty, limit 1") << 1 << QString() << 0 << 0;
}

// A typed key and the same character put in through QLineEdit alone, where only the validator
// can refuse it, end the same: the box has one limit rule.
void TestLineBox::typedKeyMatchesTheValidatorAlone()
{
    QFETCH(int, limit);
    QFETCH(QString, before);
    QFETCH(int, selectionStart);
    QFETCH(int, selectionLength);

    m_box->setLengthLimit(limit);
    startFrom(before, selectionStart, selectionLength);
    QTest::keyClicks(m_box, u"x"_s);
    const QString typed = m_box->text();

    startFrom(before, selectionStart, selectionLength);
    static_cast<QLineEdit *>(m_box)->insert(u"x"_s);
    QCOMPARE(m_box->text(), typed);
}

void TestLineBox::admittedKeyRefusedByLimit()
{
    m_box->setLengthLimit(2);
    m_decide = [](qint16) { return KeystrokeAction::AppendAtEnd; };
    startFrom(u"ab"_s, 0, 0);
    QTest::keyClicks(m_box, u"c"_s);
    QCOMPARE(m_seen, Codes{99});
    QCOMPARE(m_box->text(), u"ab"_s);
    QCOMPARE(m_box->cursorPosition(), 2);
}

void TestLineBox::loweredLimitKeepsLine()
{
    m_box->setLengthLimit(10);
    QTest::keyClicks(m_box, u"abcdefgh"_s);
    m_box->setLengthLimit(3);
    QCOMPARE(m_box->text(), u"abcdefgh"_s);

    QTest::keyClicks(m_box, u"x"_s);
    QCOMPARE(m_box->text(), u"abcdefgh"_s);

    // Erasing works, and nothing more goes in until the line is under the limit.
    for (int i = 0; i < 5; ++i)
        QTest::keyClick(m_box, Qt::Key_Backspace);
    QCOMPARE(m_box->text(), u"abc"_s);
    QTest::keyClicks(m_box, u"x"_s);
    QCOMPARE(m_box->text(), u"abc"_s);
    QTest::keyClick(m_box, Qt::Key_Backspace);
    QTest::keyClicks(m_box, u"xy"_s);
    QCOMPARE(m_box->text(), u"abx"_s);

    // Back to no limit.
    m_box->setLengthLimit(0);
    QTest::keyClicks(m_box, u"yz"_s);
    QCOMPARE(m_box->text(), u"abxyz"_s);
}

void TestLineBox::typingOverSelectionAtLimit()
{
    m_box->setLengthLimit(4);
    m_box->setText(u"abcd"_s);
    m_box->setSelection(1, 2);
    QTest::keyClicks(m_box, u"XY"_s);
    QCOMPARE(m_box->text(), u"aXd"_s.insert(2, u'Y'));
}

void TestLineBox::pasteIsCutToRoomLeft_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("selectionStart");
    QTest::addColumn<int>("selectionLength");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("after");

    QTest::newRow("no limit") << 0 << u"ab"_s << 2 << 0 << u"123456"_s << u"ab123456"_s;
    QTest::newRow("at the end") << 5 << u"ab"_s << 2 << 0 << u"123456"_s << u"ab123"_s;
    QTest::newRow("in the middle") << 5 << u"abcd"_s << 2 << 0 << u"XYZ"_s << u"abXcd"_s;
    QTest::newRow("fits") << 5 << u"ab"_s << 0 << 0 << u"XYZ"_s << u"XYZab"_s;
    QTest::newRow("repeats old text") << 4 << u"aa"_s << 2 << 0 << u"aaaa"_s << u"aaaa"_s;
    QTest::newRow("over a selection") << 5 << u"abcde"_s << 1 << 3 << u"123456"_s << u"a123e"_s;
    QTest::newRow("line full") << 3 << u"abc"_s << 1 << 0 << u"XYZ"_s << u"abc"_s;
    QTest::newRow("line over a lowered limit")
        << 3 << u"abcdef"_s << 6 << 0 << u"XYZ"_s << u"abcdef"_s;
    QTest::newRow("pair never split") << 3 << u"ab"_s << 2 << 0 << u"\U0001F600"_s << u"ab"_s;
    QTest::newRow("pair fits") << 4 << u"ab"_s << 2 << 0 << u"\U0001F600!"_s << u"ab\U0001F600"_s;
    QTest::newRow("line breaks joined")
        << 0 << u"ab"_s << 2 << 0 << u" 1\r\n2\n3\n"_s << u"ab 1 2 3"_s;
    QTest::newRow("line breaks joined then cut")
        << 6 << QString() << 0 << 0 << u"abc\ndef"_s << u"abc de"_s;
}

void TestLineBox::pasteIsCutToRoomLeft()
{
    QFETCH(int, limit);
    QFETCH(QString, before);
    QFETCH(int, selectionStart);
    QFETCH(int, selectionLength);
    QFETCH(QString, clipboard);
    QFETCH(QString, after);

    m_box->setText(before);
    m_box->setLengthLimit(limit);
    m_box->setSelection(selectionStart, selectionLength);
    Clipboard::putText(clipboard);
    QTest::keyClick(m_box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_seen, Codes{}); // pasted text is no keystroke
    QCOMPARE(m_box->text(), after);

    // The same through the paste command of the context menu.
    m_box->setText(before);
    m_box->setSelection(selectionStart, selectionLength);
    m_box->paste();
    QCOMPARE(m_box->text(), after);
}

void TestLineBox::dropIsCutToRoomLeft()
{
    m_box->setText(u"abc"_s);
    m_box->setLengthLimit(5);
    m_box->setSelectionStart(3);

    QMimeData data;
    data.setText(u"12345"_s);
    const QPoint end = m_box->rect().center() + QPoint(m_box->width() / 2 - 3, 0);
    QDragEnterEvent enter(end, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_box, &enter);
    QDropEvent drop(end, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_box, &drop);
    QCOMPARE(m_box->text(), u"abc12"_s);
}

void TestLineBox::inputMethodCommitIsCutToRoomLeft()
{
    m_box->setText(u"abc"_s);
    m_box->setLengthLimit(4);
    QInputMethodEvent commit;
    commit.setCommitString(u"\u00e0\u00e8\u00ec"_s);
    QCoreApplication::sendEvent(m_box, &commit);
    QCOMPARE(m_seen, (Codes{224, 232, 236})); // each one a keystroke, the limit as for keys
    QCOMPARE(m_box->text(), u"abc\u00e0"_s);
}

void TestLineBox::inputMethodCommits_data()
{
    QTest::addColumn<bool>("table"); // A, B, e grave defined; without it every character passes
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("selectLength");
    QTest::addColumn<QString>("committed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("caretAfter");

    const QString eAcute = u"\u00e9"_s;
    const QString eGrave = u"\u00e8"_s;
    const QString euro = u"\u20ac"_s;
    const QString alpha = u"\u03b1"_s;

    QTest::newRow("no table: at the caret")
        << false << 0 << u"ABCD"_s << 2 << 0 << eAcute << u"AB"_s + eAcute + u"CD"_s << 3;
    QTest::newRow("no table: selection replaced")
        << false << 0 << u"ABCD"_s << 1 << 2 << eAcute << u"A"_s + eAcute + u"D"_s << 2;
    QTest::newRow("no table: no code-page character goes in")
        << false << 0 << u"ABCD"_s << 2 << 0 << alpha << u"AB"_s + alpha + u"CD"_s << 3;
    QTest::newRow("no table: several, in order")
        << false << 0 << u"AB"_s << 1 << 0 << eAcute + alpha + euro
        << u"A"_s + eAcute + alpha + euro + u"B"_s << 4;
    QTest::newRow("defined: to the end from the middle")
        << true << 0 << u"ABCD"_s << 1 << 0 << eGrave << u"ABCD"_s + eGrave << 5;
    QTest::newRow("defined: to the end, selection kept whole")
        << true << 0 << u"ABCD"_s << 1 << 2 << eGrave << u"ABCD"_s + eGrave << 5;
    QTest::newRow("undefined: dropped, caret stays")
        << true << 0 << u"ABCD"_s << 1 << 0 << eAcute << u"ABCD"_s << 1;
    QTest::newRow("lower case undefined")
        << true << 0 << u"AB"_s << 0 << 0 << u"a"_s << u"AB"_s << 0;
    QTest::newRow("128..159: at the caret")
        << true << 0 << u"ABCD"_s << 2 << 0 << euro << u"AB"_s + euro + u"CD"_s << 3;
    QTest::newRow("128..159: selection replaced")
        << true << 0 << u"ABCD"_s << 1 << 2 << euro << u"A"_s + euro + u"D"_s << 2;
    QTest::newRow("no code-page character: dropped")
        << true << 0 << u"ABCD"_s << 2 << 0 << alpha << u"ABCD"_s << 2;
    QTest::newRow("emoji: dropped")
        << true << 0 << u"AB"_s << 1 << 0 << u"\U0001F600"_s << u"AB"_s << 1;
    QTest::newRow("mixed, one at a time")
        << true << 0 << u"ABCD"_s << 2 << 0 << eAcute + eGrave + alpha + u"A"_s + euro
        << u"ABCD"_s + eGrave + u"A"_s + euro << 7;
    QTest::newRow("defined at the limit: caret to the end, refused")
        << true << 4 << u"ABCD"_s << 1 << 0 << eGrave << u"ABCD"_s << 4;
    QTest::newRow("room for one") << true << 5 << u"ABCD"_s << 0 << 0 << eGrave + u"A"_s
                                  << u"ABCD"_s + eGrave << 5;
    QTest::newRow("no table: cut at the limit")
        << false << 4 << u"ABC"_s << 1 << 0 << eAcute + eGrave << u"A"_s + eAcute + u"BC"_s << 2;
    QTest::newRow("128..159 at the limit: refused")
        << true << 4 << u"ABCD"_s << 2 << 0 << euro << u"ABCD"_s << 2;
    QTest::newRow("128..159 over a selection at the limit")
        << true << 4 << u"ABCD"_s << 1 << 2 << euro << u"A"_s + euro + u"D"_s << 2;
}

void TestLineBox::inputMethodCommits()
{
    QFETCH(bool, table);
    QFETCH(int, limit);
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(int, selectLength);
    QFETCH(QString, committed);
    QFETCH(QString, after);
    QFETCH(int, caretAfter);

    m_decide = [this, table](qint16 code) { return admitKeystroke(code, table, m_table); };
    m_box->setLengthLimit(limit);
    startFrom(before, cursor, selectLength);
    commit(committed);
    QCOMPARE(m_box->text(), after);
    QCOMPARE(m_box->cursorPosition(), caretAfter);
}

void TestLineBox::inputMethodCommitIsAdmittedCharacterByCharacter()
{
    commit(u"\u00e9\u20ac\u03b1\U0001F600A"_s);
    QCOMPARE(m_seen, (Codes{233, 128, -1, -1, 65}));
    // Control characters in a commit are no keystrokes.
    m_seen.clear();
    commit(u"a\nb"_s);
    QCOMPARE(m_seen, (Codes{97, 98}));
}

void TestLineBox::preeditShowsThenCommits()
{
    // The way a dead key composes: a preedit, then the character committed in its place.
    m_decide = [this](qint16 code) { return admitKeystroke(code, true, m_table); };
    startFrom(u"AB"_s, 0, 0);
    const int caretBefore = m_box->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();

    QInputMethodEvent preedit(u"\u00b4"_s, {});
    QCoreApplication::sendEvent(m_box, &preedit);
    QCOMPARE(m_box->text(), u"AB"_s); // the preedit is shown, not part of the line
    QVERIFY(m_box->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() > caretBefore);
    QCOMPARE(m_seen, Codes{});

    QInputMethodEvent acute;
    acute.setCommitString(u"\u00e9"_s);
    QCoreApplication::sendEvent(m_box, &acute);
    QCOMPARE(m_box->text(), u"AB"_s);
    QCOMPARE(m_box->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), caretBefore);

    QInputMethodEvent gravePreedit(u"`"_s, {});
    QCoreApplication::sendEvent(m_box, &gravePreedit);
    QInputMethodEvent grave;
    grave.setCommitString(u"\u00e8"_s);
    QCoreApplication::sendEvent(m_box, &grave);
    QCOMPARE(m_box->text(), u"AB\u00e8"_s);
    QCOMPARE(m_seen, (Codes{233, 232}));

    // A commit that starts the next composition at once keeps its preedit shown.
    m_box->setSelectionStart(0);
    QInputMethodEvent chained(u"`"_s, {});
    chained.setCommitString(u"A"_s);
    QCoreApplication::sendEvent(m_box, &chained);
    QCOMPARE(m_box->text(), u"AB\u00e8A"_s);
    const int withPreedit = m_box->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    QInputMethodEvent cancel(QString(), {});
    QCoreApplication::sendEvent(m_box, &cancel);
    QCOMPARE(m_box->text(), u"AB\u00e8A"_s);
    QVERIFY(withPreedit > m_box->inputMethodQuery(Qt::ImCursorRectangle).toRect().left());
}

void TestLineBox::preeditWithoutCommitIsNotAdmitted()
{
    m_decide = [](qint16) { return KeystrokeAction::Drop; };
    startFrom(u"ab"_s, 1, 0);
    QInputMethodEvent preedit(u"x"_s, {});
    QCoreApplication::sendEvent(m_box, &preedit);
    QInputMethodEvent cancel(QString(), {});
    QCoreApplication::sendEvent(m_box, &cancel);
    QCOMPARE(m_seen, Codes{});
    QCOMPARE(m_box->text(), u"ab"_s);
    QCOMPARE(m_box->cursorPosition(), 1);
}

void TestLineBox::selectionReplacedOverLoweredLimit_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("incoming");
    QTest::addColumn<QString>("after");

    // "abcdefgh" under a limit lowered to 3, "cde" selected.
    QTest::newRow("insert, shorter") << u"insert"_s << u"X"_s << u"abXfgh"_s;
    QTest::newRow("insert, as long") << u"insert"_s << u"XYZ"_s << u"abXYZfgh"_s;
    QTest::newRow("insert, longer: cut to what was there")
        << u"insert"_s << u"VWXYZ"_s << u"abVWXfgh"_s;
    QTest::newRow("paste, longer") << u"paste"_s << u"VWXYZ"_s << u"abVWXfgh"_s;
    QTest::newRow("typed, one character") << u"type"_s << u"X"_s << u"abXfgh"_s;
    QTest::newRow("typed, then no room") << u"type"_s << u"XY"_s << u"abXfgh"_s;
    QTest::newRow("commit, then no room") << u"commit"_s << u"XY"_s << u"abXfgh"_s;
}

void TestLineBox::selectionReplacedOverLoweredLimit()
{
    QFETCH(QString, path);
    QFETCH(QString, incoming);
    QFETCH(QString, after);

    m_box->setTextUnlimited(u"abcdefgh"_s);
    m_box->setLengthLimit(3);
    m_box->setSelection(2, 3);
    if (path == u"insert"_s) {
        static_cast<QLineEdit *>(m_box)->insert(incoming); // the validator alone
    } else if (path == u"paste"_s) {
        Clipboard::putText(incoming);
        QTest::keyClick(m_box, Qt::Key_V, Qt::ControlModifier);
    } else if (path == u"type"_s) {
        QTest::keyClicks(m_box, incoming);
    } else {
        commit(incoming);
    }
    QCOMPARE(m_box->text(), after);
}

void TestLineBox::alteredPasteCanBeUndone_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("typed"); // typed first, then the caret goes to `cursor`
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("selectLength");
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<bool>("byMenu"); // the context menu's Paste instead of Ctrl+V

    QTest::newRow("line breaks made blanks")
        << 0 << u"ab"_s << 2 << 0 << u"1\n2\r\n"_s << u"ab1 2"_s << false;
    QTest::newRow("cut to the room left")
        << 4 << u"ab"_s << 1 << 0 << u"123"_s << u"a12b"_s << false;
    QTest::newRow("both") << 5 << u"ab"_s << 2 << 0 << u"1\n234"_s << u"ab1 2"_s << false;
    QTest::newRow("over a selection")
        << 4 << u"abcd"_s << 1 << 2 << u"1\n2\n3"_s << u"a1 d"_s << false;
    QTest::newRow("right after typing") << 3 << u"ab"_s << 2 << 0 << u"12"_s << u"ab1"_s << false;
    QTest::newRow("by the menu") << 4 << u"ab"_s << 2 << 0 << u"1\n2\n3"_s << u"ab1 "_s << true;
    QTest::newRow("unaltered") << 0 << u"ab"_s << 2 << 0 << u"12"_s << u"ab12"_s << false;
}

void TestLineBox::alteredPasteCanBeUndone()
{
    QFETCH(int, limit);
    QFETCH(QString, typed);
    QFETCH(int, cursor);
    QFETCH(int, selectLength);
    QFETCH(QString, clipboard);
    QFETCH(QString, pasted);
    QFETCH(bool, byMenu);

    m_box->setLengthLimit(limit);
    QTest::keyClicks(m_box, typed);
    if (selectLength > 0)
        m_box->setSelection(cursor, selectLength);
    else if (cursor != m_box->cursorPosition())
        m_box->setCursorPosition(cursor);
    Clipboard::putText(clipboard);
    if (byMenu) {
        QContextMenuEvent event(QContextMenuEvent::Mouse, m_box->rect().center(),
                                m_box->mapToGlobal(m_box->rect().center()));
        QCoreApplication::sendEvent(m_box, &event);
        QTRY_VERIFY(QApplication::activePopupWidget());
        QWidget *menu = QApplication::activePopupWidget();
        // Qt names the item after its shortcut, whatever the language.
        const QString shortcut =
            QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
        const QList<QAction *> actions = menu->actions();
        const auto paste = std::find_if(actions.begin(), actions.end(), [&](QAction *action) {
            return action->text().endsWith(shortcut);
        });
        QVERIFY(paste != actions.end());
        (*paste)->trigger();
        menu->close();
    } else {
        QTest::keyClick(m_box, Qt::Key_V, Qt::ControlModifier);
    }
    QCOMPARE(m_box->text(), pasted);

    // Undo takes back the paste alone; redo brings it back; a second undo the typing.
    QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_box->text(), typed);
    QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_box->text(), pasted);
    QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_box->text(), QString());
}

void TestLineBox::droppedFilesAreNeverTyped()
{
    m_box->setTextUnlimited(u"abc"_s);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(u"/tmp/prova.tbl"_s)});
    data.setText(u"file:///tmp/prova.tbl"_s); // file managers put the address as text too
    const QPoint point = m_box->rect().center();
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_box, &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_box, &drop);
    QVERIFY(!drop.isAccepted());
    QCOMPARE(m_box->text(), u"abc"_s);
}

void TestLineBox::linesLongerThanQtsDefaultCap()
{
    // Limit 0 is no limit: Qt alone would stop at 32767 characters.
    const QString longLine(40000, u'x');
    Clipboard::putText(longLine);
    QTest::keyClick(m_box, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_box->text().size(), 40000);
    QTest::keyClicks(m_box, u"y"_s);
    QCOMPARE(m_box->text().size(), 40001);

    m_box->setTextUnlimited(QString());
    m_box->setText(longLine + u"z"_s);
    QCOMPARE(m_box->text().size(), 40001);
    m_box->setTextUnlimited(longLine + longLine);
    QCOMPARE(m_box->text().size(), 80000);

    commit(u"w"_s);
    QCOMPARE(m_box->text().size(), 80001);
}

void TestLineBox::redoAfterBackwardSelection_data()
{
    QTest::addColumn<QList<int>>("keys"); // after "hello world" is typed
    QTest::addColumn<QString>("after");   // once undone, redone and "Z" typed

    const int left = Qt::Key_Left;
    const int shiftLeft = int(Qt::ShiftModifier) | Qt::Key_Left;
    const int shiftRight = int(Qt::ShiftModifier) | Qt::Key_Right;
    QTest::newRow("one back, Backspace")
        << QList<int>{left, shiftLeft, Qt::Key_Backspace} << u"hello worZd"_s;
    QTest::newRow("one back, Delete")
        << QList<int>{left, shiftLeft, Qt::Key_Delete} << u"hello worZd"_s;
    QTest::newRow("three back, Backspace")
        << QList<int>{left, shiftLeft, shiftLeft, shiftLeft, Qt::Key_Backspace} << u"hello wZd"_s;
    QTest::newRow("backwards, typed over")
        << QList<int>{left, shiftLeft, shiftLeft, Qt::Key_X} << u"hello woXZd"_s;
    QTest::newRow("forwards, Backspace")
        << QList<int>{Qt::Key_Home, shiftRight, shiftRight, Qt::Key_Backspace} << u"Zllo world"_s;
}

void TestLineBox::redoAfterBackwardSelection()
{
    QFETCH(QList<int>, keys);
    QFETCH(QString, after);

    QTest::keyClicks(m_box, u"hello world"_s);
    for (const int key : keys) {
        const auto modifiers = Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask);
        const auto plain = Qt::Key(key & ~Qt::KeyboardModifierMask);
        if (plain == Qt::Key_X)
            QTest::keyClicks(m_box, u"X"_s);
        else
            QTest::keyClick(m_box, plain, modifiers);
    }
    const QString edited = m_box->text();
    QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_box->text(), u"hello world"_s);
    QTest::keyClick(m_box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_box->text(), edited);
    QTest::keyClicks(m_box, u"Z"_s);
    QCOMPARE(m_box->text(), after);
}

void TestLineBox::textFromCodeIsNotLimited()
{
    m_box->setLengthLimit(3);
    m_box->setTextUnlimited(u"abcdef"_s);
    QCOMPARE(m_box->text(), u"abcdef"_s);
    // And the box still knows the line it now holds: erasing and typing behave.
    QTest::keyClick(m_box, Qt::Key_Backspace);
    QCOMPARE(m_box->text(), u"abcde"_s);
    QTest::keyClicks(m_box, u"x"_s);
    QCOMPARE(m_box->text(), u"abcde"_s);

    // QLineEdit's own setter is no way around the limit.
    m_box->setTextUnlimited(QString());
    m_box->setText(u"123456"_s);
    QCOMPARE(m_box->text(), u"123"_s);
}

QTEST_MAIN(TestLineBox)
#include "tst_linebox.moc"
