#include "StatusBar.h"

#include "CapsLock.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// Panel 2's width in the design, and the bar's: the panel keeps that share as the bar grows.
constexpr int CapsPanelTwips = 1440;
constexpr int BarTwips = 6600;

QLabel *panel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// One line whatever the text holds (a file name may hold a line break): line ends show as "↵",
// tabs as "⇥", other control characters as "�", like bytes that are no character. Symbols the
// usual desktop fonts have; the Control Pictures block is missing from most of them.
QString oneLine(QString text)
{
    for (QChar &ch : text) {
        const char16_t code = ch.unicode();
        if (code == u'\t')
            ch = QChar(0x21E5);
        else if ((code >= u'\n' && code <= u'\r') || code == 0x85 || code == 0x2028 ||
                 code == 0x2029)
            ch = QChar(0x21B5);
        else if (ch.category() == QChar::Other_Control)
            ch = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace

StatusBar::StatusBar(QWidget *parent)
    : QStatusBar(parent), m_panel1(panel(this)), m_panel2(panel(this)),
      m_lockBitInEvents(CapsLock::eventsCarryLockBit(QGuiApplication::platformName()))
{
    setSizeGripEnabled(false);

    m_panel1->setObjectName(u"panel1"_s);
    // Long text must not widen the window: the panel takes what is left and no more.
    m_panel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_panel1->setMinimumWidth(1);
    addWidget(m_panel1, 1);

    m_panel2->setObjectName(u"panel2"_s);
    m_panel2->setText(u"BLOC MAIUSC"_s);
    m_panel2->setAlignment(Qt::AlignCenter);
    addPermanentWidget(m_panel2, 0);

    setCapsLock(false);
}

void StatusBar::setPanelText(const QString &text)
{
    m_panel1->setText(oneLine(text));
}

QSize StatusBar::minimumSizeHint() const
{
    const int forCaption =
        int(std::ceil(m_panel2->sizeHint().width() * qreal(BarTwips) / CapsPanelTwips));
    return QStatusBar::minimumSizeHint().expandedTo({forCaption, 0});
}

void StatusBar::resizeEvent(QResizeEvent *event)
{
    m_panel2->setFixedWidth(qRound(width() * qreal(CapsPanelTwips) / BarTwips));
    QStatusBar::resizeEvent(event);
}

void StatusBar::setCapsLock(bool on)
{
    m_capsLock = on;
    // Greyed with the disabled palette while the lock is off.
    m_panel2->setEnabled(on);
}

bool StatusBar::refreshCapsLock()
{
    const std::optional<bool> on = CapsLock::state();
    if (on)
        setCapsLock(*on);
    return on.has_value();
}

void StatusBar::followCapsLock(QObject *eventSource)
{
    if (eventSource)
        eventSource->installEventFilter(this);
    refreshCapsLock();
}

bool StatusBar::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // Only as the event reaches the window: a key the focus widget ignores travels on to
        // its parents and would otherwise be counted once for each. The event itself tells the
        // state, which spares the keystroke path a round trip to the display server.
        if (watched->isWindowType())
            setCapsLock(CapsLock::afterKey(*static_cast<QKeyEvent *>(event), m_lockBitInEvents,
                                           m_capsLock));
        break;
    case QEvent::ApplicationActivate:
    case QEvent::WindowActivate:
        refreshCapsLock();
        break;
    default:
        break;
    }
    return QStatusBar::eventFilter(watched, event);
}
