#pragma once

#include <QStatusBar>

class QLabel;

// The status bar: panel 1 takes the width panel 2 leaves and shows messages; panel 2, 1440
// twips wide, shows "BLOC MAIUSC", drawn normally while Caps Lock is on and greyed while off.
class StatusBar final : public QStatusBar {
    Q_OBJECT

public:
    explicit StatusBar(QWidget *parent = nullptr);

    void setPanelText(const QString &text);
    QString panelText() const;

    void setCapsLock(bool on);
    bool capsLock() const { return m_capsLock; }
    // Reads the keyboard's state; keeps the current one where the platform cannot tell.
    // Returns whether the state could be read.
    bool refreshCapsLock();

    QLabel *panel1() const { return m_panel1; }
    QLabel *panel2() const { return m_panel2; }

private:
    QLabel *m_panel1 = nullptr;
    QLabel *m_panel2 = nullptr;
    bool m_capsLock = false;
};
