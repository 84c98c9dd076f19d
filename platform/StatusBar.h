#pragma once

#include <QStatusBar>

class QLabel;

// The status bar: panel 1 takes the width panel 2 leaves and shows messages; panel 2, 1440 twips
// of the design's 6600 and keeping that share of a bar that grows, shows "BLOC MAIUSC", drawn
// normally while Caps Lock is on and greyed while off.
class StatusBar final : public QStatusBar {
    Q_OBJECT

public:
    explicit StatusBar(QWidget *parent = nullptr);

    // Shown on one line: control characters become visible symbols.
    void setPanelText(const QString &text);

    void setCapsLock(bool on);
    // Reads the keyboard's state where the platform tells it (CapsLock::state()); keeps the
    // current one elsewhere. Returns whether the state could be read.
    bool refreshCapsLock();
    // Keeps the Caps Lock panel in step through the key and activation events eventSource
    // sees; pass the application object, which sees them all. The state is read from the
    // keyboard where the platform allows; elsewhere it follows the key events as they reach
    // a window (QWindow).
    void followCapsLock(QObject *eventSource);

    // Wide enough for panel 2's share to show its caption whole.
    QSize minimumSizeHint() const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QLabel *m_panel1 = nullptr;
    QLabel *m_panel2 = nullptr;
    bool m_capsLock = false;
    bool m_lockBitInEvents = false;
};
