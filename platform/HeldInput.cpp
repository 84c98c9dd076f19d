#include "HeldInput.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

HeldInput::HeldInput(QWidget *widget) : QObject(widget), m_widget(widget)
{
    widget->installEventFilter(this);
}

HeldInput::~HeldInput() = default;

void HeldInput::release()
{
    m_holding = false;
    // Taken out first: a delivered key may start another hold.
    std::vector<std::unique_ptr<QEvent>> events;
    events.swap(m_events);
    for (auto it = events.begin(); it != events.end() && m_widget; ++it) {
        if (m_holding) {
            // A delivered key started another hold: the rest wait for it, still in order.
            m_events.insert(m_events.begin(), std::make_move_iterator(it),
                            std::make_move_iterator(events.end()));
            return;
        }
        QCoreApplication::sendEvent(m_widget, it->get());
    }
}

void HeldInput::discard()
{
    m_holding = false;
    m_events.clear();
}

bool HeldInput::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_holding || watched != m_widget)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::InputMethod:
        m_events.emplace_back(event->clone());
        return true;
    default:
        return false;
    }
}
