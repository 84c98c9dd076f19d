#pragma once

#include <QMainWindow>

// The toolkit's floor for start-up: a main window with the program's menus, a one-line edit and
// a two-panel status bar, built the way the program builds them, and nothing else.
class BareWindow final : public QMainWindow {
public:
    explicit BareWindow(bool quitAfterFirstPaint, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_quitAfterFirstPaint = false;
    bool m_painted = false;
};
