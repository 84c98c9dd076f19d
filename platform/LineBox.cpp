#include "LineBox.h"

#include "FileDropTarget.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QValidator>

#include <limits>

namespace {

bool isLineBreak(QChar ch)
{
    return ch == u'\n' || ch == u'\r' || ch == QChar::LineSeparator ||
           ch == QChar::ParagraphSeparator;
}

// A pasted line break becomes a blank between the lines it joins; trailing ones go.
QString joinLines(const QString &text)
{
    QString joined;
    joined.reserve(text.size());
    bool pendingBreak = false;
    for (const QChar ch : text) {
        if (isLineBreak(ch)) {
            pendingBreak = !joined.isEmpty();
            continue;
        }
        if (pendingBreak)
            joined.append(u' ');
        pendingBreak = false;
        joined.append(ch);
    }
    return joined;
}

// The limit rule. A run of text comes in where it replaces `replaced` characters, with `kept`
// characters of the old line around it: it loses its line breaks and is cut to the room left
// under the limit. A change that does not lengthen the line is always let through, and a
// character is never split.
QString fitRun(const QString &run, qsizetype kept, qsizetype replaced, int limit)
{
    QString fitted = joinLines(run);
    if (limit > 0 && kept + fitted.size() > limit && fitted.size() > replaced) {
        qsizetype room = qMax(qsizetype(limit) - kept, replaced);
        room = qMin(room, fitted.size());
        if (room > 0 && fitted.at(room - 1).isHighSurrogate())
            --room;
        fitted.truncate(room);
    }
    return fitted;
}

} // namespace

// Sees every change of the text, whatever its path (key, paste, context menu, middle click,
// drag and drop, input method), and compares it with the text before: the run of text that
// came in loses its line breaks and is cut to the room left under the limit. Text already in
// the box is never cut. Changing the text here makes Qt forget the undo history, so the box
// fits its own insertions beforehand with the same rule; this catches every other path.
class LineBox::LimitValidator final : public QValidator {
public:
    explicit LimitValidator(LineBox *box) : QValidator(box), m_box(box) {}

    State validate(QString &input, int &pos) const override;

    void takeText(const QString &text) { m_previous = text; }

private:
    struct Change {
        qsizetype prefix; // characters kept before the new run
        qsizetype suffix; // characters kept after it
    };
    Change locateChange(const QString &input, int pos) const;

    LineBox *m_box;
    mutable QString m_previous;
    bool m_exempt = false;

    friend class LineBox;
};

LineBox::LimitValidator::Change LineBox::LimitValidator::locateChange(const QString &input,
                                                                      int pos) const
{
    const qsizetype oldSize = m_previous.size();
    const qsizetype newSize = input.size();

    // An insertion leaves the cursor at the end of the new run: everything after it is old.
    const qsizetype end = qBound(qsizetype(0), qsizetype(pos), newSize);
    const qsizetype suffix = newSize - end;
    if (suffix <= oldSize &&
        QStringView(input).right(suffix) == QStringView(m_previous).right(suffix)) {
        qsizetype prefix = 0;
        const qsizetype maxPrefix = qMin(end, oldSize - suffix);
        while (prefix < maxPrefix && input.at(prefix) == m_previous.at(prefix))
            ++prefix;
        return {prefix, suffix};
    }

    // Otherwise the longest common head and tail.
    qsizetype prefix = 0;
    const qsizetype common = qMin(oldSize, newSize);
    while (prefix < common && input.at(prefix) == m_previous.at(prefix))
        ++prefix;
    qsizetype tail = 0;
    while (tail < common - prefix &&
           input.at(newSize - 1 - tail) == m_previous.at(oldSize - 1 - tail))
        ++tail;
    return {prefix, tail};
}

QValidator::State LineBox::LimitValidator::validate(QString &input, int &pos) const
{
    if (m_exempt || input == m_previous) {
        m_previous = input;
        return Acceptable;
    }

    const Change change = locateChange(input, pos);
    const qsizetype runSize = input.size() - change.prefix - change.suffix;
    const QString run = input.mid(change.prefix, runSize);
    const qsizetype oldKept = change.prefix + change.suffix;
    const QString kept = fitRun(run, oldKept, m_previous.size() - oldKept, m_box->m_lengthLimit);

    if (kept != run) {
        input = input.left(change.prefix) + kept + input.right(change.suffix);
        pos = int(change.prefix + kept.size());
    }
    m_previous = input;
    return Acceptable;
}

LineBox::LineBox(QWidget *parent) : QLineEdit(parent), m_validator(new LimitValidator(this))
{
    setValidator(m_validator);
    // 0 means no limit: Qt's own cap of 32767 characters would cut a line silently.
    setMaxLength(std::numeric_limits<int>::max());
    // Anything that changes the text without passing the validator still keeps it up to date.
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_validator->takeText(text);
        dropBrokenSelection();
    });
}

LineBox::~LineBox() = default;

void LineBox::setAdmission(Admission admission)
{
    m_admission = std::move(admission);
}

void LineBox::setSelectionStart(int offset)
{
    setCursorPosition(qBound(0, offset, int(text().size())));
    deselect();
}

void LineBox::setLengthLimit(int limit)
{
    m_lengthLimit = qMax(limit, 0);
}

void LineBox::setTextUnlimited(const QString &text)
{
    m_validator->m_exempt = true;
    setText(text);
    m_validator->m_exempt = false;
    m_validator->takeText(QLineEdit::text());
}

KeystrokeAction LineBox::decide(qint16 code) const
{
    if (m_admission)
        return m_admission(code);
    return code == KeyCode::Enter ? KeystrokeAction::Enter : KeystrokeAction::PassOn;
}

void LineBox::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        if (!isReadOnly())
            pasteFitted(QClipboard::Clipboard);
        event->accept();
        return;
    }

    const QList<TypedCharacter> keystrokes =
        typedCharacters(event->key(), event->modifiers(), event->text());
    if (keystrokes.isEmpty()) {
        QLineEdit::keyPressEvent(event); // navigation, Delete, shortcuts: as usual
        return;
    }
    for (const TypedCharacter &typed : keystrokes)
        admit(typed, decide(typed.code), event);
    // Return goes on to the window's default button, as QLineEdit lets it.
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        event->accept();
}

void LineBox::admit(const TypedCharacter &typed, KeystrokeAction action, QKeyEvent *key)
{
    switch (action) {
    case KeystrokeAction::Drop:
        return;
    case KeystrokeAction::Enter:
        Q_EMIT enterPressed();
        // Lets the box report Return (returnPressed, editingFinished); it adds no line break.
        if (key && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter))
            QLineEdit::keyPressEvent(key);
        return;
    case KeystrokeAction::AppendAtEnd:
        setSelectionStart(int(text().size()));
        break;
    case KeystrokeAction::PassOn:
        break;
    }

    if (typed.code == KeyCode::Backspace) {
        if (key && key->key() == Qt::Key_Backspace)
            QLineEdit::keyPressEvent(key); // also Ctrl+Backspace and the like
        else if (!isReadOnly())
            backspace();
        return;
    }
    // Return and Backspace type no character of their own.
    if (!typed.text.isEmpty() && !isReadOnly())
        insertFitted(typed.text);
}

void LineBox::inputMethodEvent(QInputMethodEvent *event)
{
    if (isReadOnly() || event->commitString().isEmpty()) {
        QLineEdit::inputMethodEvent(event); // the preedit, shown as in any line edit
        return;
    }

    // The composition ends: its preedit goes, and the text the commit replaces, if any.
    QInputMethodEvent end;
    end.setCommitString(QString(), event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&end);
    // Then each committed character as if it had been typed.
    for (const TypedCharacter &typed : committedCharacters(event->commitString()))
        admit(typed, decide(typed.code), nullptr);
    // A new composition may start at once.
    if (!event->preeditString().isEmpty()) {
        QInputMethodEvent preedit(event->preeditString(), event->attributes());
        QLineEdit::inputMethodEvent(&preedit);
    }
    event->accept();
}

void LineBox::insertFitted(const QString &text)
{
    const qsizetype replaced = selectedText().size();
    const QString fitted =
        fitRun(text, QLineEdit::text().size() - replaced, replaced, m_lengthLimit);
    if (fitted.isEmpty() && replaced == 0)
        return;
    insert(fitted);
}

void LineBox::separateUndoStep()
{
    // Qt starts a new undo step when the caret moves; a selection being replaced starts one too.
    if (hasSelectedText() || text().isEmpty())
        return;
    const int caret = cursorPosition();
    setCursorPosition(caret > 0 ? caret - 1 : caret + 1);
    setCursorPosition(caret);
}

void LineBox::pasteFitted(QClipboard::Mode mode)
{
    const QString pasted = QGuiApplication::clipboard()->text(mode);
    if (pasted.isEmpty() && !hasSelectedText())
        return;
    separateUndoStep();
    insertFitted(pasted);
    separateUndoStep();
}

void LineBox::dropBrokenSelection()
{
    if (hasSelectedText() && selectionStart() < 0)
        deselect();
}

void LineBox::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    if (!menu)
        return;
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Its Paste, like Ctrl+V, keeps the paste one step of the undo history. Qt names the item
    // after its shortcut, which no translation changes.
    const QString pasteShortcut =
        u'\t' + QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
    const QList<QAction *> actions = menu->actions();
    for (QAction *action : actions) {
        if (!action->text().endsWith(pasteShortcut))
            continue;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this] { pasteFitted(QClipboard::Clipboard); });
    }
    menu->popup(event->globalPos());
}

void LineBox::mouseReleaseEvent(QMouseEvent *event)
{
    // The middle button pastes the X11 selection.
    if (event->button() == Qt::MiddleButton && !isReadOnly() &&
        QGuiApplication::clipboard()->supportsSelection()) {
        deselect();
        pasteFitted(QClipboard::Selection);
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void LineBox::dragEnterEvent(QDragEnterEvent *event)
{
    // A file is opened by the window, never typed as its address.
    if (!FileDropTarget::localFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    QLineEdit::dragEnterEvent(event);
}

void LineBox::dragMoveEvent(QDragMoveEvent *event)
{
    if (!FileDropTarget::localFiles(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    QLineEdit::dragMoveEvent(event);
}

void LineBox::dropEvent(QDropEvent *event)
{
    const QMimeData *data = event->mimeData();
    if (!FileDropTarget::localFiles(data).isEmpty()) {
        event->ignore();
        return;
    }
    if (!data->hasText() || isReadOnly()) {
        QLineEdit::dropEvent(event);
        return;
    }
    // Dropped text is a paste at the drop point: fitted beforehand, so that it stays undoable.
    const qsizetype moved = event->source() == this && event->dropAction() == Qt::MoveAction
                                ? selectedText().size()
                                : 0;
    QMimeData fitted;
    fitted.setText(fitRun(data->text(), text().size() - moved, 0, m_lengthLimit));
    QDropEvent drop(event->position(), event->possibleActions(), &fitted, event->buttons(),
                    event->modifiers(), event->type());
    drop.setDropAction(event->dropAction());
    QLineEdit::dropEvent(&drop);
    event->setDropAction(drop.dropAction());
    event->setAccepted(drop.isAccepted());
}
