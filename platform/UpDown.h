#pragma once

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QToolButton;

// A pair of small arrow buttons, up above down, stepping a value by one within a range. Each
// change is written into the buddy field as decimal text. upClick()/downClick() are emitted
// once per step that changes the value, never at the ends of the range. Screen readers see a
// spin box with its value and range and two named arrow buttons; with the keyboard focus the
// spinner shows the style's focus frame.
class UpDown final : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget *parent = nullptr);

    void setBuddy(QLineEdit *field);
    QLineEdit *buddy() const { return m_buddy; }

    int value() const { return m_value; }
    // Sets the value without emitting a click; clamped to the range; written into the buddy.
    void setValue(int value);
    void setRange(int min, int max);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

    QSize sizeHint() const override;

public Q_SLOTS:
    void stepUp();
    void stepDown();

Q_SIGNALS:
    void upClick();
    void downClick();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void writeBuddy();
    void placeArrows();

    QToolButton *m_up = nullptr;
    QToolButton *m_down = nullptr;
    QPointer<QLineEdit> m_buddy;
    int m_value = 0;
    int m_minimum = 0;
    int m_maximum = 100;
};
