#include "LineBox.h"

#include "CharacterCodes.h"

#include <QKeyEvent>
#include <QValidator>

namespace {

constexpr qint16 DroppedCode = 0;
constexpr qint16 BackspaceCode = 8;
constexpr qint16 EnterCode = 13;

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

} // namespace

// Sees every change of the text, whatever its path (key, paste, context menu, middle click,
// drag and drop, input method), and compares it with the text before: the run of text that
// came in loses its line breaks and is cut to the room left under the limit. Text already in
// the box is never cut.
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
    QString kept = joinLines(run);

    const int limit = m_box->m_lengthLimit;
    const qsizetype oldKept = change.prefix + change.suffix;
    // The limit refuses growth only: a change that does not lengthen the line is let through.
    if (limit > 0 && oldKept + kept.size() > limit && oldKept + kept.size() > m_previous.size()) {
        qsizetype room = qMax(qsizetype(limit) - oldKept, qsizetype(0));
        // Keep at least what the old text had there, so that replacing is never refused.
        room = qMax(room, m_previous.size() - oldKept);
        room = qMin(room, kept.size());
        if (room > 0 && kept.at(room - 1).isHighSurrogate())
            --room; // never split a character
        kept.truncate(room);
    }

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
    // Anything that changes the text without passing the validator still keeps it up to date.
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_validator->takeText(text); });
}

LineBox::~LineBox() = default;

void LineBox::setKeyPressHandler(KeyPressHandler handler)
{
    m_keyPressHandler = std::move(handler);
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

int LineBox::lengthLimit() const
{
    return m_lengthLimit;
}

void LineBox::setText(const QString &text)
{
    m_validator->m_exempt = true;
    QLineEdit::setText(text);
    m_validator->m_exempt = false;
    m_validator->takeText(QLineEdit::text());
}

bool LineBox::hasRoomFor(const QString &typed) const
{
    if (m_lengthLimit <= 0)
        return true;
    // Replacing a selection without lengthening the line is always possible.
    const qsizetype after = text().size() - selectedText().size() + typed.size();
    return after <= m_lengthLimit || after <= text().size();
}

void LineBox::keyPressEvent(QKeyEvent *event)
{
    const QList<TypedCharacter> keystrokes =
        typedCharacters(event->key(), event->modifiers(), event->text());
    if (keystrokes.isEmpty()) {
        QLineEdit::keyPressEvent(event); // navigation, Delete, shortcuts: as usual
        return;
    }

    const bool enterKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const bool backspaceKey = event->key() == Qt::Key_Backspace;
    for (const TypedCharacter &typed : keystrokes) {
        qint16 code = typed.code;
        if (m_keyPressHandler)
            m_keyPressHandler(code);

        if (code == DroppedCode)
            continue;
        if (code == BackspaceCode) {
            if (backspaceKey)
                QLineEdit::keyPressEvent(event); // also Ctrl+Backspace and the like
            else if (!isReadOnly())
                backspace();
            continue;
        }
        if (code == EnterCode) {
            // Lets the box report Return (returnPressed, editingFinished); it adds no line break.
            if (enterKey)
                QLineEdit::keyPressEvent(event);
            continue;
        }
        // Any other code types the character actually typed; Return and Backspace type none.
        if (typed.text.isEmpty() || isReadOnly() || !hasRoomFor(typed.text))
            continue;
        insert(typed.text);
    }
    if (!enterKey)
        event->accept();
}
