#include "Clipboard.h"
#include "LineBox.h"

#include <QInputMethodEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

using Codes = QList<qint16>;

class TestLineBox final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void handlerSeesEveryCharacterInOrder();
    void keysWithoutCharacterNeverReachHandler_data();
    void keysWithoutCharacterNeverReachHandler();
    void droppedCodeInsertsNothing();
    void changedCodeInsertsTheTypedCharacter();
    void handlerCanMoveInsertionToTheEnd_data();
    void handlerCanMoveInsertionToTheEnd();
    void enterInsertsNothing_data();
    void enterInsertsNothing();
    void backspace();
    void codeTurnedIntoBackspaceErases();
    void oneEventWithSeveralCharacters();
    void setSelectionStart_data();
    void setSelectionStart();

    void typedInputStopsAtLimit_data();
    void typedInputStopsAtLimit();
    void handlerRunsEvenWhenLimitRefuses();
    void loweredLimitKeepsLine();
    void typingOverSelectionAtLimit();
    void pasteIsCutToRoomLeft_data();
    void pasteIsCutToRoomLeft();
    void dropIsCutToRoomLeft();
    void inputMethodCommitIsCutToRoomLeft();
    void textFromCodeIsNotLimited();

private:
    void typeKey(Qt::Key key, const QString &text = QString(),
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    LineBox *m_box = nullptr;
    Codes m_seen;
};

void TestLineBox::init()
{
    m_box = new LineBox;
    m_seen.clear();
    m_box->setKeyPressHandler([this](qint16 &code) { m_seen.append(code); });
    m_box->show();
    m_box->activateWindow();
    m_box->setFocus();
    QVERIFY(QTest::qWaitForWindowActive(m_box));
}

void TestLineBox::cleanup()
{
    delete m_box;
    m_box = nullptr;
}

void TestLineBox::typeKey(Qt::Key key, const QString &text, Qt::KeyboardModifiers modifiers)
{
    QTest::sendKeyEvent(QTest::Click, m_box, key, text, modifiers);
}

void TestLineBox::handlerSeesEveryCharacterInOrder()
{
    QTest::keyClicks(m_box, u"Ab 1"_s);
    typeKey(Qt::Key_Eacute, u"\u00e9"_s); // QTest types ASCII only
    QCOMPARE(m_seen, (Codes{65, 98, 32, 49, 233}));
    QCOMPARE(m_box->text(), u"Ab 1\u00e9"_s);

    // No code page character: -1, and with the code left alone it goes in.
    typeKey(Qt::Key_unknown, u"\u03b1"_s);
    QCOMPARE(m_seen.last(), qint16(-1));
    QCOMPARE(m_box->text(), u"Ab 1\u00e9\u03b1"_s);
}

void TestLineBox::keysWithoutCharacterNeverReachHandler_data()
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

void TestLineBox::keysWithoutCharacterNeverReachHandler()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(QString, after);

    m_box->setText(u"abcd"_s);
    m_box->setSelectionStart(2);
    typeKey(Qt::Key(key), text, modifiers);
    QCOMPARE(m_seen, Codes{});
    QCOMPARE(m_box->text(), after);
}

void TestLineBox::droppedCodeInsertsNothing()
{
    m_box->setKeyPressHandler([this](qint16 &code) {
        m_seen.append(code);
        if (code == u'x')
            code = 0;
    });
    QTest::keyClicks(m_box, u"axbx"_s);
    QCOMPARE(m_seen, (Codes{97, 120, 98, 120}));
    QCOMPARE(m_box->text(), u"ab"_s);
}

void TestLineBox::changedCodeInsertsTheTypedCharacter()
{
    m_box->setKeyPressHandler([](qint16 &code) { code = 66; });
    QTest::keyClicks(m_box, u"a"_s);
    typeKey(Qt::Key_Eacute, u"\u00e9"_s);
    QCOMPARE(m_box->text(), u"a\u00e9"_s);
}

void TestLineBox::handlerCanMoveInsertionToTheEnd_data()
{
    QTest::addColumn<int>("selectionStart");
    QTest::addColumn<int>("selectionLength");

    QTest::newRow("cursor in the middle") << 2 << 0;
    QTest::newRow("part selected") << 1 << 2;
    QTest::newRow("all selected") << 0 << 4;
}

void TestLineBox::handlerCanMoveInsertionToTheEnd()
{
    QFETCH(int, selectionStart);
    QFETCH(int, selectionLength);

    m_box->setKeyPressHandler(
        [this](qint16 &) { m_box->setSelectionStart(int(m_box->text().size())); });
    m_box->setText(u"abcd"_s);
    m_box->setSelection(selectionStart, selectionLength);
    QTest::keyClicks(m_box, u"XY"_s);
    QCOMPARE(m_box->text(), u"abcdXY"_s);
    QVERIFY(!m_box->hasSelectedText());
    QCOMPARE(m_box->cursorPosition(), 6);
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

    QSignalSpy returnPressed(m_box, &QLineEdit::returnPressed);
    m_box->setText(u"riga"_s);
    m_box->setSelectionStart(2);
    const Qt::KeyboardModifiers modifiers =
        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    typeKey(Qt::Key(key), u"\r"_s, modifiers);
    QCOMPARE(m_seen, Codes{13});
    QCOMPARE(m_box->text(), u"riga"_s);
    QCOMPARE(returnPressed.size(), 1);

    // A handler that empties the box on Enter leaves it empty, with no line break.
    m_box->setKeyPressHandler([this](qint16 &code) {
        if (code == 13)
            m_box->setText(QString());
    });
    typeKey(Qt::Key(key), u"\r"_s, modifiers);
    QCOMPARE(m_box->text(), QString());
}

void TestLineBox::backspace()
{
    m_box->setText(u"abc"_s);
    QTest::keyClick(m_box, Qt::Key_Backspace);
    QCOMPARE(m_seen, Codes{8});
    QCOMPARE(m_box->text(), u"ab"_s);

    m_box->setKeyPressHandler([](qint16 &code) { code = 0; });
    QTest::keyClick(m_box, Qt::Key_Backspace);
    QCOMPARE(m_box->text(), u"ab"_s);
}

void TestLineBox::codeTurnedIntoBackspaceErases()
{
    m_box->setText(u"abc"_s);
    m_box->setKeyPressHandler([](qint16 &code) { code = 8; });
    QTest::keyClicks(m_box, u"x"_s);
    QCOMPARE(m_box->text(), u"ab"_s);
}

void TestLineBox::oneEventWithSeveralCharacters()
{
    m_box->setKeyPressHandler([this](qint16 &code) {
        m_seen.append(code);
        if (code == -1)
            code = 0;
    });
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
    QCOMPARE(m_box->lengthLimit(), qMax(limit, 0));
    QTest::keyClicks(m_box, typed);
    QCOMPARE(m_box->text(), expected);
}

void TestLineBox::handlerRunsEvenWhenLimitRefuses()
{
    m_box->setLengthLimit(2);
    m_box->setKeyPressHandler([this](qint16 &code) {
        m_seen.append(code);
        m_box->setSelectionStart(int(m_box->text().size()));
    });
    m_box->setText(u"ab"_s);
    m_box->setSelectionStart(0);
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
    QCOMPARE(m_seen, Codes{});
    QCOMPARE(m_box->text(), u"abc\u00e0"_s);
}

void TestLineBox::textFromCodeIsNotLimited()
{
    m_box->setLengthLimit(3);
    m_box->setText(u"abcdef"_s);
    QCOMPARE(m_box->text(), u"abcdef"_s);
    // And the box still knows the line it now holds: erasing and typing behave.
    QTest::keyClick(m_box, Qt::Key_Backspace);
    QCOMPARE(m_box->text(), u"abcde"_s);
    QTest::keyClicks(m_box, u"x"_s);
    QCOMPARE(m_box->text(), u"abcde"_s);
}

QTEST_MAIN(TestLineBox)
#include "tst_linebox.moc"
