#pragma once

#include <QLineEdit>

#include <functional>

class QKeyEvent;

// The one-line box the line is typed into. Every character keystroke goes through the key
// press handler first, which may change its code: 0 drops it, 13 inserts nothing, 8 erases as
// Backspace does, any other code inserts the character actually typed. A length limit stops
// typed input; text that arrives otherwise (paste, drop, input method) is cut to the room left
// under it. No line break ever enters the box. The box keeps its own validator for this: do not
// set another.
class LineBox final : public QLineEdit {
    Q_OBJECT

public:
    using KeyPressHandler = std::function<void(qint16 &code)>;

    explicit LineBox(QWidget *parent = nullptr);
    ~LineBox() override;

    void setKeyPressHandler(KeyPressHandler handler);

    // Puts the insertion point at offset, with nothing selected.
    void setSelectionStart(int offset);

    // 0: no limit. A lowered limit keeps the text already there and only refuses more.
    void setLengthLimit(int limit);
    int lengthLimit() const;

    // Where the text cursor is drawn, in the box's coordinates.
    QRect caretRect() const { return cursorRect(); }

    // Text set from code is taken whole, whatever the limit.
    void setText(const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    class LimitValidator;

    // Whether a typed text may go in, replacing the selection, under the limit.
    bool hasRoomFor(const QString &typed) const;

    int m_lengthLimit = 0;
    KeyPressHandler m_keyPressHandler;
    LimitValidator *m_validator = nullptr;
};
