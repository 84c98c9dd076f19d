#pragma once

#include "Keystroke.h"

#include <QClipboard>
#include <QLineEdit>

#include <functional>

class QContextMenuEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;

// The one-line box the line is typed into. Every character that is typed, or that an input
// method, a dead key or a Compose sequence commits, is decided one at a time by the admission:
// Enter reports enterPressed() and adds nothing to the line, AppendAtEnd puts the character at
// the end of the line whatever the caret or selection, Drop leaves the line alone, PassOn lets
// the character in as any line edit would. Pasted and dropped text is not admitted; it loses its
// line breaks. Files dragged over the box are left to its window. A length limit cuts whatever
// comes in to the room left; the box keeps its own validator for this: do not set another.
class LineBox final : public QLineEdit {
    Q_OBJECT

public:
    // Decides one character code (13 Enter, 8 Backspace, 0..255, -1 outside the code page).
    using Admission = std::function<KeystrokeAction(qint16 code)>;

    explicit LineBox(QWidget *parent = nullptr);
    ~LineBox() override;

    // Without an admission every character passes on and Return reports Enter.
    void setAdmission(Admission admission);

    // Puts the insertion point at offset, with nothing selected.
    void setSelectionStart(int offset);

    // 0: no limit. A lowered limit keeps the text already there and only refuses more.
    void setLengthLimit(int limit);

    // Puts the text in whole, whatever the limit. QLineEdit::setText goes through the limit.
    void setTextUnlimited(const QString &text);

Q_SIGNALS:
    // Enter was typed; emitted before the box acts on the key, which adds nothing to the line.
    void enterPressed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    class LimitValidator;

    KeystrokeAction decide(qint16 code) const;
    // Acts on the decision for one character; key is the event that typed it, if any.
    void admit(const TypedCharacter &typed, KeystrokeAction action, QKeyEvent *key);
    // Inserts text at the caret, replacing the selection, already fitted to the limit and
    // without line breaks, so that it stays one step of the undo history.
    void insertFitted(const QString &text);
    void pasteFitted(QClipboard::Mode mode);
    // Makes the next change a step of its own in the undo history.
    void separateUndoStep();
    // Qt 6.4 leaves a selection starting at -1 after redoing the deletion of a selection made
    // backwards; the next key would then delete the wrong characters.
    void dropBrokenSelection();

    int m_lengthLimit = 0;
    Admission m_admission;
    LimitValidator *m_validator = nullptr;
};
