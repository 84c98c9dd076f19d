#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QEvent;
class QWidget;

// Holds back the keys (key presses and releases, input-method text) typed into a window while on
// hold, and hands them out in the order they came once released, each to the control that has
// the focus then: where it would have gone had it been typed at that moment.
class HeldInput final : public QObject {
public:
    explicit HeldInput(QWidget *window);
    ~HeldInput() override;

    void hold() { m_holding = true; }
    // Ends the hold and delivers what was held.
    void release();
    // Ends the hold and forgets what was held.
    void discard();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_window;
    bool m_holding = false;
    std::vector<std::unique_ptr<QEvent>> m_events;
};
