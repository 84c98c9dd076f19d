// Line entry through the real window: keys typed into rtbRiga, the spinner's arrows clicked
// with the mouse, Enter with the clipboard read back, and the marker against the text.
#include "Clipboard.h"
#include "LineBox.h"
#include "MainWindow.h"
#include "Shape.h"
#include "StatusBar.h"
#include "Twips.h"
#include "WindowHarness.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QString Examples = QStringLiteral(VERZINO_EXAMPLES_DIR);

QByteArray readExample(const QString &name)
{
    QFile file(QDir(Examples).absoluteFilePath(name));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the example %s", qPrintable(name));
    return file.readAll();
}

// A table that defines every byte code, none of them as "#": code 0x23 and the codes that
// are no printable character stand for "X".
QByteArray tableWithoutHash()
{
    QByteArray bytes;
    for (int code = 0; code < 256; ++code) {
        const bool printable = (code >= 0x20 && code < 0x7f) || code >= 0xa0;
        const char shown = printable && code != 0x23 ? char(code) : 'X';
        bytes +=
            QByteArray::number(code, 16).rightJustified(2, '0').toUpper() + '=' + shown + "\r\n";
    }
    return bytes;
}

// Types each character as its own key press, the way a keyboard delivers it. QTest's
// keyClicks carries ASCII only, so other characters go with their own key code.
void typeKeys(QWidget *widget, const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch.isHighSurrogate() && i + 1 < text.size()) {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text.mid(i, 2),
                                Qt::NoModifier);
            ++i;
        } else if (ch.unicode() < 0x80) {
            QTest::keyClicks(widget, QString(ch));
        } else {
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(ch.toUpper().unicode()), QString(ch),
                                Qt::NoModifier);
        }
    }
}

QString clipboardText()
{
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard);
}

} // namespace

class tst_LineEntry final : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::optional<QString> m_nextChoice;

    template <typename T> T *control(const QString &name) const
    {
        return WindowHarness::control<T>(m_window.get(), name);
    }
    LineBox *line() const { return control<LineBox>(u"rtbRiga"_s); }
    QSpinBox *spinner() const { return control<QSpinBox>(u"UpDown1"_s); }
    Shape *marker() const { return control<Shape>(u"shpLimite"_s); }
    QLineEdit *limitField() const { return control<QLineEdit>(u"txtLimite"_s); }
    QCheckBox *appunti() const { return control<QCheckBox>(u"chkAppunti"_s); }
    QCheckBox *svuota() const { return control<QCheckBox>(u"chkSvuota"_s); }

    // Chooses a table file with these bytes through File > Apri Tabella...; empty: none.
    void useTable(const QByteArray &bytes);
    void clickUp(int times);
    void clickDown(int times);
    // Keys go where the focus is, as on a keyboard.
    static QWidget *focused()
    {
        QWidget *widget = QApplication::focusWidget();
        if (!widget)
            qFatal("no widget has the focus");
        return widget;
    }
    void type(const QString &text) { typeKeys(focused(), text); }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focused(), key, modifiers);
    }
    // Puts the text into the line as a starting point, with the caret at cursor and the next
    // selectLength characters selected.
    void startFrom(const QString &text, int cursor, int selectLength = 0);

private Q_SLOTS:
    void init();
    void cleanup();

    void typing_data();
    void typing();
    void oneKeyWithSeveralCharacters_data();
    void oneKeyWithSeveralCharacters();
    void spinnerClicksSetTheLimit_data();
    void spinnerClicksSetTheLimit();
    void fullLine_data();
    void fullLine();
    void loweredLimitKeepsTheLine();
    void pasteIsCutToRoomLeft_data();
    void pasteIsCutToRoomLeft();
    void enter_data();
    void enter();
    void enterOnEmptyLineEmptiesClipboard_data();
    void enterOnEmptyLineEmptiesClipboard();
    void oneLineAfterAnother();
    void markerStandsUnderTheLimitColumn();
    void composedCharacters_data();
    void composedCharacters();
    void droppedFiles_data();
    void droppedFiles();
    void droppedTextIsAPaste();
};

void tst_LineEntry::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_window = std::make_unique<MainWindow>(
        [this](QWidget *, const QString &, const QStringList &) { return m_nextChoice; });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QCOMPARE(QApplication::focusWidget(), line());
}

void tst_LineEntry::cleanup()
{
    m_window.reset();
    m_dir.reset();
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

void tst_LineEntry::useTable(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const QString path = m_dir->filePath(u"prova.tbl"_s);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();

    m_nextChoice = path;
    control<QAction>(u"mnuApriT"_s)->trigger();
    QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    QCOMPARE(WindowHarness::status(m_window.get()), u"Tabella caricata: prova.tbl"_s);
    QCOMPARE(QApplication::focusWidget(), line());
}

void tst_LineEntry::clickUp(int times)
{
    for (int i = 0; i < times; ++i)
        WindowHarness::clickArrow(spinner(), QStyle::SC_SpinBoxUp);
}

void tst_LineEntry::clickDown(int times)
{
    for (int i = 0; i < times; ++i)
        WindowHarness::clickArrow(spinner(), QStyle::SC_SpinBoxDown);
}

void tst_LineEntry::startFrom(const QString &text, int cursor, int selectLength)
{
    line()->setText(text);
    if (selectLength > 0)
        line()->setSelection(cursor, selectLength);
    else
        line()->setCursorPosition(cursor);
}

void tst_LineEntry::typing_data()
{
    QTest::addColumn<QByteArray>("table"); // empty: no table in force
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("selectLength");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("after");
    QTest::addColumn<int>("caretAfter");
    QTest::addColumn<QString>("selectedAfter");

    const QByteArray none;
    const QByteArray maiuscole = readExample(u"maiuscole.tbl"_s);

    // No table: every key goes in where the caret is, as in any text box.
    QTest::newRow("no table, caret in the middle")
        << none << u"abcd"_s << 2 << 0 << u"xY"_s << u"abxYcd"_s << 4 << QString();
    QTest::newRow("no table, selection replaced")
        << none << u"abcd"_s << 1 << 2 << u"Z"_s << u"aZd"_s << 2 << QString();
    QTest::newRow("no table, any character")
        << none << QString() << 0 << 0 << u"#a \u00e9~\u20ac\u03b1\U0001F600"_s
        << u"#a \u00e9~\u20ac\u03b1\U0001F600"_s << 9 << QString();
    QTest::newRow("no table, backspace in the middle")
        << none << u"abcd"_s << 2 << 0 << u"\b"_s << u"acd"_s << 1 << QString();

    // A defined character goes to the end, whatever the caret or the selection.
    QTest::newRow("caret in the middle: appended")
        << maiuscole << u"ABCD"_s << 1 << 0 << u"X"_s << u"ABCDX"_s << 5 << QString();
    QTest::newRow("selection: appended, nothing replaced, selection dropped")
        << maiuscole << u"ABCD"_s << 1 << 2 << u"X"_s << u"ABCDX"_s << 5 << QString();
    QTest::newRow("caret at the start, several keys")
        << maiuscole << u"AB"_s << 0 << 0 << u"CD"_s << u"ABCD"_s << 4 << QString();
    QTest::newRow("undefined: dropped, caret and selection stay")
        << maiuscole << u"ABCD"_s << 1 << 2 << u"x"_s << u"ABCD"_s << 3 << u"BC"_s;
    QTest::newRow("case-sensitive")
        << maiuscole << QString() << 0 << 0 << u"aAbBzZ"_s << u"ABZ"_s << 3 << QString();
    QTest::newRow("defined marks, lower case dropped")
        << maiuscole << QString() << 0 << 0 << u"Ciao, Mondo!"_s << u"C, M!"_s << 5 << QString();
    QTest::newRow("blank defined as one blank")
        << maiuscole << QString() << 0 << 0 << u"A B"_s << u"A B"_s << 3 << QString();
    QTest::newRow("hash: codes the file left undefined")
        << maiuscole << QString() << 0 << 0 << u"#"_s << u"#"_s << 1 << QString();
    QTest::newRow("160..255 not in the table")
        << maiuscole << u"A"_s << 1 << 0 << u"\u00e9\u00e8"_s << u"A"_s << 1 << QString();
    QTest::newRow("128..159 unchecked, at the caret")
        << maiuscole << u"ABCD"_s << 2 << 0 << u"\u20ac\u0152\u2122"_s
        << u"AB\u20ac\u0152\u2122CD"_s << 5 << QString();
    QTest::newRow("128..159 replaces a selection")
        << maiuscole << u"ABCD"_s << 1 << 2 << u"\u20ac"_s << u"A\u20acD"_s << 2 << QString();
    QTest::newRow("no code-page character dropped")
        << maiuscole << u"AB"_s << 1 << 0 << u"\u03b1\u0416\U0001F600"_s << u"AB"_s << 1
        << QString();
    QTest::newRow("backspace in the middle")
        << maiuscole << u"ABCD"_s << 2 << 0 << u"\b"_s << u"ACD"_s << 1 << QString();
    QTest::newRow("backspace erases a selection")
        << maiuscole << u"ABCD"_s << 1 << 2 << u"\b"_s << u"AD"_s << 1 << QString();
    QTest::newRow("backspace then a defined key")
        << maiuscole << u"ABCD"_s << 2 << 0 << u"\bE"_s << u"ACDE"_s << 4 << QString();

    // Small tables of its own.
    QTest::newRow("blank undefined")
        << QByteArray("41=A\r\n") << QString() << 0 << 0 << u"A A"_s << u"AA"_s << 2 << QString();
    QTest::newRow("blank defined as two blanks only")
        << QByteArray("41=A\r\n20=  \r\n") << QString() << 0 << 0 << u"A A"_s << u"AA"_s << 2
        << QString();
    QTest::newRow("entry of two characters matches neither")
        << QByteArray("41=AB\r\n42=B\r\n") << QString() << 0 << 0 << u"AB"_s << u"B"_s << 1
        << QString();
    QTest::newRow("lower case only")
        << QByteArray("61=a\r\n") << QString() << 0 << 0 << u"aA"_s << u"a"_s << 1 << QString();
    QTest::newRow("160..255 in the table, Windows-1252 bytes")
        << QByteArray("E9=\xe9\r\nE0=\xe0\r\n") << QString() << 0 << 0 << u"\u00e9\u00e8\u00e0"_s
        << u"\u00e9\u00e0"_s << 2 << QString();
    QTest::newRow("a file without a definition: only the hash")
        << QByteArray("nessuna voce\r\n") << QString() << 0 << 0 << u"A#b "_s << u"#"_s << 1
        << QString();
    QTest::newRow("every code defined, none as hash")
        << tableWithoutHash() << QString() << 0 << 0 << u"a#\u00e9 Z"_s << u"a\u00e9 Z"_s << 4
        << QString();
}

void tst_LineEntry::typing()
{
    QFETCH(QByteArray, table);
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(int, selectLength);
    QFETCH(QString, keys);
    QFETCH(QString, after);
    QFETCH(int, caretAfter);
    QFETCH(QString, selectedAfter);

    useTable(table);
    startFrom(before, cursor, selectLength);
    type(keys);

    QCOMPARE(line()->text(), after);
    QCOMPARE(line()->cursorPosition(), caretAfter);
    QCOMPARE(line()->selectedText(), selectedAfter);
}

void tst_LineEntry::oneKeyWithSeveralCharacters_data()
{
    QTest::addColumn<bool>("table");
    QTest::addColumn<QString>("after");

    // "AB|CD" and one key event that types "xY\u00e9": with the table only "Y" counts, at the end.
    QTest::newRow("no table") << false << u"ABxY\u00e9CD"_s;
    QTest::newRow("maiuscole") << true << u"ABCDY"_s;
}

void tst_LineEntry::oneKeyWithSeveralCharacters()
{
    QFETCH(bool, table);
    QFETCH(QString, after);

    if (table)
        useTable(readExample(u"maiuscole.tbl"_s));
    startFrom(u"ABCD"_s, 2);
    QTest::sendKeyEvent(QTest::Click, line(), Qt::Key_unknown, u"xY\u00e9"_s, Qt::NoModifier);
    QCOMPARE(line()->text(), after);
}

void tst_LineEntry::spinnerClicksSetTheLimit_data()
{
    QTest::addColumn<int>("ups");
    QTest::addColumn<int>("downs");
    QTest::addColumn<int>("limit");

    QTest::newRow("no click") << 0 << 0 << 0;
    QTest::newRow("down at 0") << 0 << 1 << 0;
    QTest::newRow("one up") << 1 << 0 << 1;
    QTest::newRow("ten up") << 10 << 0 << 10;
    QTest::newRow("45 up") << 45 << 0 << 45;
    QTest::newRow("46 up stop at 45") << 46 << 0 << 45;
    QTest::newRow("ten up, three down") << 10 << 3 << 7;
    QTest::newRow("back to 0") << 10 << 10 << 0;
    QTest::newRow("down past 0") << 5 << 8 << 0;
}

void tst_LineEntry::spinnerClicksSetTheLimit()
{
    QFETCH(int, ups);
    QFETCH(int, downs);
    QFETCH(int, limit);

    clickUp(ups);
    clickDown(downs);

    QCOMPARE(spinner()->value(), limit);
    QCOMPARE(limitField()->text(), QString::number(limit));
    QCOMPARE(marker()->geometry(), Twips::rect(175 + 120 * limit, 960, 135, 135));
    QVERIFY(marker()->isVisible());
    // The arrows leave the focus in the line box, so typing goes on at once, and nothing in the
    // limit field looks selected.
    QCOMPARE(QApplication::focusWidget(), line());
    QVERIFY(!limitField()->hasSelectedText());

    const QString typed(50, u'x');
    type(typed);
    QCOMPARE(line()->text(), typed.left(limit > 0 ? limit : typed.size()));
}

void tst_LineEntry::fullLine_data()
{
    QTest::addColumn<bool>("table");
    QTest::addColumn<int>("caretAfter"); // after a defined key typed at position 2 of a full line

    QTest::newRow("no table: caret stays") << false << 2;
    QTest::newRow("maiuscole: caret to the end") << true << 5;
}

void tst_LineEntry::fullLine()
{
    QFETCH(bool, table);
    QFETCH(int, caretAfter);

    if (table)
        useTable(readExample(u"maiuscole.tbl"_s));
    clickUp(5);
    type(u"ABCDE"_s);
    QCOMPARE(line()->text(), u"ABCDE"_s);

    line()->setCursorPosition(2);
    type(u"F"_s);
    QCOMPARE(line()->text(), u"ABCDE"_s);
    QCOMPARE(line()->cursorPosition(), caretAfter);

    // A selection on a full line: with the table the key goes to the end, where there is no
    // room, so nothing is replaced either.
    line()->setSelection(1, 2);
    type(u"G"_s);
    QCOMPARE(line()->text(), table ? u"ABCDE"_s : u"AGDE"_s);

    // Backspace makes room again, for one character.
    line()->end(false);
    const QString kept = line()->text().chopped(1);
    press(Qt::Key_Backspace);
    type(u"HI"_s);
    QCOMPARE(line()->text(), (kept + u"HI"_s).left(5));
}

void tst_LineEntry::loweredLimitKeepsTheLine()
{
    useTable(readExample(u"maiuscole.tbl"_s));
    clickUp(10);
    type(u"ABCDEFGHIJ"_s);
    QCOMPARE(line()->text(), u"ABCDEFGHIJ"_s);

    clickDown(4);
    QCOMPARE(limitField()->text(), u"6"_s);
    QCOMPARE(line()->text(), u"ABCDEFGHIJ"_s);
    type(u"K"_s);
    QCOMPARE(line()->text(), u"ABCDEFGHIJ"_s);

    // Erasing does not make room until the line is under the new limit.
    press(Qt::Key_Backspace);
    type(u"K"_s);
    QCOMPARE(line()->text(), u"ABCDEFGHI"_s);
    for (int i = 0; i < 4; ++i)
        press(Qt::Key_Backspace);
    type(u"KL"_s);
    QCOMPARE(line()->text(), u"ABCDEK"_s);

    // Back to 0: no limit any more.
    clickDown(6);
    QCOMPARE(limitField()->text(), u"0"_s);
    const QString more(50, u'M');
    type(more);
    QCOMPARE(line()->text(), u"ABCDEK"_s + more);
}

void tst_LineEntry::pasteIsCutToRoomLeft_data()
{
    QTest::addColumn<bool>("table");
    QTest::addColumn<int>("limit");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("after");

    QTest::newRow("no limit") << false << 0 << u"AB"_s << 2 << QString(60, u'c')
                              << u"AB"_s + QString(60, u'c');
    QTest::newRow("cut to the room left")
        << false << 5 << u"AB"_s << 2 << u"cdefgh"_s << u"ABcde"_s;
    QTest::newRow("full line takes nothing") << false << 2 << u"AB"_s << 1 << u"cd"_s << u"AB"_s;
    // Pasted text is not checked against the table and goes in at the caret.
    QTest::newRow("table: unchecked, at the caret")
        << true << 5 << u"AB"_s << 1 << u"xyz!?"_s << u"AxyzB"_s;
    QTest::newRow("line breaks become blanks")
        << true << 0 << u"AB"_s << 2 << u"ab\ncd\r\n"_s << u"ABab cd"_s;
}

void tst_LineEntry::pasteIsCutToRoomLeft()
{
    QFETCH(bool, table);
    QFETCH(int, limit);
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, pasted);
    QFETCH(QString, after);

    if (table)
        useTable(readExample(u"maiuscole.tbl"_s));
    clickUp(limit);
    startFrom(before, cursor);
    Clipboard::putText(pasted);
    press(Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(line()->text(), after);
}

void tst_LineEntry::enter_data()
{
    QTest::addColumn<bool>("table");
    QTest::addColumn<Qt::CheckState>("appuntiState");
    QTest::addColumn<Qt::CheckState>("svuotaState");
    QTest::addColumn<int>("key");

    const struct {
        const char *name;
        Qt::CheckState state;
    } states[] = {
        {"clear", Qt::Unchecked}, {"ticked", Qt::Checked}, {"greyed", Qt::PartiallyChecked}};
    for (const bool table : {false, true}) {
        for (const auto &a : states) {
            for (const auto &s : states) {
                QTest::addRow("%s, appunti %s, svuota %s", table ? "table" : "no table", a.name,
                              s.name)
                    << table << a.state << s.state << int(Qt::Key_Return);
            }
        }
        QTest::addRow("%s, both ticked, keypad Enter", table ? "table" : "no table")
            << table << Qt::Checked << Qt::Checked << int(Qt::Key_Enter);
        QTest::addRow("%s, appunti only, keypad Enter", table ? "table" : "no table")
            << table << Qt::Checked << Qt::Unchecked << int(Qt::Key_Enter);
    }
}

void tst_LineEntry::enter()
{
    QFETCH(bool, table);
    QFETCH(Qt::CheckState, appuntiState);
    QFETCH(Qt::CheckState, svuotaState);
    QFETCH(int, key);

    if (table)
        useTable(readExample(u"maiuscole.tbl"_s));
    for (QCheckBox *box : {appunti(), svuota()}) {
        box->setTristate(true);
        box->setCheckState(box == appunti() ? appuntiState : svuotaState);
    }
    Clipboard::putText(u"precedente"_s);
    type(u"RIGA 1"_s);
    QCOMPARE(line()->text(), u"RIGA 1"_s);

    const Qt::KeyboardModifiers modifiers =
        key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    press(Qt::Key(key), modifiers);

    // Only a ticked box counts; the copy takes the line as it was before it was emptied.
    QCOMPARE(clipboardText(), appuntiState == Qt::Checked ? u"RIGA 1"_s : u"precedente"_s);
    QCOMPARE(line()->text(), svuotaState == Qt::Checked ? QString() : u"RIGA 1"_s);
    // The box stays one line: the Enter key itself adds nothing.
    type(u"2"_s);
    QCOMPARE(line()->text(), svuotaState == Qt::Checked ? u"2"_s : u"RIGA 12"_s);
    QCOMPARE(appunti()->checkState(), appuntiState);
    QCOMPARE(svuota()->checkState(), svuotaState);
}

void tst_LineEntry::enterOnEmptyLineEmptiesClipboard_data()
{
    QTest::addColumn<bool>("table");
    QTest::newRow("no table") << false;
    QTest::newRow("table") << true;
}

void tst_LineEntry::enterOnEmptyLineEmptiesClipboard()
{
    QFETCH(bool, table);

    if (table)
        useTable(readExample(u"maiuscole.tbl"_s));
    Clipboard::putText(u"qualcosa"_s);
    QVERIFY(line()->text().isEmpty());
    press(Qt::Key_Return);

    const QMimeData *data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    QVERIFY(data);
    QVERIFY(data->hasText());
    QCOMPARE(data->text(), QString());
    QVERIFY(line()->text().isEmpty());
}

void tst_LineEntry::oneLineAfterAnother()
{
    // The typical road: each Enter hands one line over and leaves the box ready for the next.
    useTable(readExample(u"maiuscole.tbl"_s));
    clickUp(8);
    const QStringList lines = {u"PRIMA"_s, u"SECONDA!"_s, u"TERZA"_s};
    for (const QString &expected : lines) {
        type(u"xy"_s + expected + u"OLTRE"_s);
        press(Qt::Key_Return);
        QCOMPARE(clipboardText(), (expected + u"OLTRE"_s).left(8));
        QVERIFY(line()->text().isEmpty());
    }
    // An Enter on the emptied line hands over an empty line.
    press(Qt::Key_Return);
    QCOMPARE(clipboardText(), QString());
}

void tst_LineEntry::markerStandsUnderTheLimitColumn()
{
    // The marker for limit n stands where the n-th character ends: its left edge keeps one and
    // the same distance from the caret after n characters for every n from 0 to 45, so it
    // never drifts from its column, and that distance is under one cell, so the red dot sits
    // at the start of the first cell the limit refuses. The caret line runs through the middle
    // of the cursor rectangle. Typed one by one, with one arrow click per character.
    QWidget *client = WindowHarness::control<QWidget>(m_window.get(), u"clientArea"_s);
    const auto caretX = [this, client] {
        const QRect caret = line()->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        return line()->mapTo(client, QPoint(caret.left() + caret.width() / 2, 0)).x();
    };

    std::optional<int> distance;
    for (int n = 0; n <= 45; ++n) {
        if (n > 0) {
            clickUp(1);
            type(u"M"_s);
        }
        QCOMPARE(line()->text().size(), n);
        QCOMPARE(line()->cursorPosition(), n);
        const int markerX = marker()->geometry().left();
        const int gap = markerX - caretX();
        if (!distance)
            distance = gap;
        QVERIFY2(gap == *distance, qPrintable(u"after %1 characters the marker is %2 px from the "
                                              u"caret instead of %3"_s.arg(n)
                                                  .arg(gap)
                                                  .arg(*distance)));
    }
    QVERIFY2(*distance >= 0 && *distance < 8, qPrintable(QString::number(*distance)));
}

void tst_LineEntry::composedCharacters_data()
{
    QTest::addColumn<bool>("table"); // A, B and e grave, not e acute
    QTest::addColumn<QString>("handedOver");

    // "AB", Home, then dead acute + e and dead grave + e, as an input method commits them.
    QTest::newRow("no table: at the caret") << false << u"\u00e9\u00e8AB"_s;
    QTest::newRow("table: defined to the end, undefined dropped") << true << u"AB\u00e8"_s;
}

void tst_LineEntry::composedCharacters()
{
    QFETCH(bool, table);
    QFETCH(QString, handedOver);

    if (table)
        useTable("41=A\r\n42=B\r\nE8=\xe8\r\n");
    type(u"AB"_s);
    press(Qt::Key_Home);
    for (const QString &composed : {u"\u00e9"_s, u"\u00e8"_s}) {
        QInputMethodEvent preedit(u"\u00b4"_s, {});
        QApplication::sendEvent(focused(), &preedit);
        QInputMethodEvent commit;
        commit.setCommitString(composed);
        QApplication::sendEvent(focused(), &commit);
    }
    press(Qt::Key_Return);
    QCOMPARE(clipboardText(), handedOver);
    QVERIFY(line()->text().isEmpty());
}

void tst_LineEntry::droppedFiles_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<QStringList>("files"); // in m_dir; "manca.tbl" does not exist
    QTest::addColumn<QString>("inForce");   // the file in force afterwards
    QTest::addColumn<QString>("typed");     // "AB#" typed afterwards

    for (const QString &where : {u"rtbRiga"_s, u"Label1"_s, u"chkSvuota"_s, u"txtLimite"_s}) {
        const QByteArray name = where.toUtf8();
        QTest::addRow("%s: one table", name.constData())
            << where << QStringList{u"a.tbl"_s} << u"a.tbl"_s << u"A#"_s;
        QTest::addRow("%s: two tables, the second merged over the first", name.constData())
            << where << QStringList{u"a.tbl"_s, u"b.tbl"_s} << u"b.tbl"_s << u"AB#"_s;
        QTest::addRow("%s: a missing file stops the rest", name.constData())
            << where << QStringList{u"a.tbl"_s, u"manca.tbl"_s, u"b.tbl"_s} << u"a.tbl"_s
            << u"A#"_s;
    }
    QTest::newRow("missing first: nothing in force")
        << u"rtbRiga"_s << QStringList{u"manca.tbl"_s, u"a.tbl"_s} << QString() << u"AB#"_s;
}

void tst_LineEntry::droppedFiles()
{
    QFETCH(QString, where);
    QFETCH(QStringList, files);
    QFETCH(QString, inForce);
    QFETCH(QString, typed);

    for (const auto &[name, bytes] : {std::pair{u"a.tbl"_s, QByteArray("41=A\r\n")},
                                      std::pair{u"b.tbl"_s, QByteArray("42=B\r\n")}}) {
        QFile file(m_dir->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QList<QUrl> urls;
    for (const QString &name : files)
        urls.append(QUrl::fromLocalFile(m_dir->filePath(name)));
    QMimeData data;
    data.setUrls(urls);
    data.setText(urls.first().toString()); // as file managers do

    // The error box of a file that cannot be read is closed as a user would.
    WindowHarness::ModalWatcher watcher;

    QWidget *target = control<QWidget>(where);
    const QPoint point = target->rect().center();
    QDragEnterEvent enter(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());

    const bool missing = files.contains(u"manca.tbl"_s);
    // The drop is handed over after it ends; then the tables load one after another.
    QCoreApplication::processEvents();
    QVERIFY(WindowHarness::waitForLoad(m_window.get()));
    if (missing) {
        QTRY_COMPARE(watcher.boxes.size(), 1);
        QCOMPARE(watcher.boxes.first().icon, QMessageBox::Critical);
    }
    QCOMPARE(control<StatusBar>(u"SB"_s)->findChild<QLabel *>(u"panel1"_s)->text(),
             inForce.isEmpty() ? u"Nessuna tabella aperta"_s : u"Tabella caricata: "_s + inForce);
    // The address never enters the line; the tables read decide what typing takes.
    QCOMPARE(line()->text(), QString());
    typeKeys(line(), u"AB#"_s);
    QCOMPARE(line()->text(), typed);
}

void tst_LineEntry::droppedTextIsAPaste()
{
    useTable(readExample(u"maiuscole.tbl"_s));
    clickUp(6);
    startFrom(u"AB"_s, 2);
    QMimeData data;
    data.setText(u"xy\nzw"_s);
    const QPoint end(line()->width() - 2, line()->height() / 2);
    QDragEnterEvent enter(end, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(line(), &enter);
    QDropEvent drop(end, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(line(), &drop);
    // Unchecked, its line break made a blank, cut to the room left, and undoable.
    QCOMPARE(line()->text(), u"ABxy z"_s);
    QCOMPARE(WindowHarness::status(m_window.get()), u"Tabella caricata: prova.tbl"_s);
    press(Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(line()->text(), u"AB"_s);
}

QTEST_MAIN(tst_LineEntry)
#include "tst_lineentry.moc"
