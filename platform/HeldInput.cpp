#include "HeldInput.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

HeldInput::HeldInput(QWidget *window) : QObject(window), m_window(window)
{
    // Keys go to whichever control has the focus: only the application sees them all.
    QCoreApplication::instance()->installEventFilter(this);
}

HeldInput::~HeldInput() = default;

void HeldInput::release()
{
    m_holding = false;
    // Taken out first: a delivered key may start another hold.
    std::vector<std::unique_ptr<QEvent>> events;
    events.swap(m_events);
    for (auto it = events.begin(); it != events.end() && m_window; ++it) {
        if (m_holding) {
            // A delivered key started another hold: the rest wait for it, still in order.
            m_events.insert(m_events.begin(), std::make_move_iterator(it),
                            std::make_move_iterator(events.end()));
            return;
        }
        // A delivered Tab may have moved the focus since the key was typed.
        QWidget *focus = m_window->focusWidget();
        QCoreApplication::sendEvent(focus ? focus : m_window.data(), it->get());
    }
}

void HeldInput::discard()
{
    m_holding = false;
    m_events.clear();
}

bool HeldInput::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_holding || !m_window || !watched->isWidgetType() ||
        static_cast<QWidget *>(watched)->window() != m_window)
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
