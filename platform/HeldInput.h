#pragma once

#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

class QEvent;
class QWidget;

// Holds back the keys (key presses and releases, input-method text) that reach one widget while
// on hold, and hands them to it in the order they came once released, as if typed then.
class HeldInput final : public QObject {
public:
    explicit HeldInput(QWidget *widget);
    ~HeldInput() override;

    void hold() { m_holding = true; }
    bool isHolding() const { return m_holding; }
    qsizetype heldCount() const { return qsizetype(m_events.size()); }

    // Ends the hold and delivers what was held.
    void release();
    // Ends the hold and forgets what was held.
    void discard();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> m_widget;
    bool m_holding = false;
    std::vector<std::unique_ptr<QEvent>> m_events;
};
