#include "UpDown.h"

#include "Twips.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

namespace {

constexpr int WidthTwips = 240;
constexpr int HeightTwips = 345;

QToolButton *arrowButton(Qt::ArrowType arrow, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    // The spinner itself takes the focus; a click on an arrow leaves it where it was.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(false);
    return button;
}

} // namespace

UpDown::UpDown(QWidget *parent)
    : QWidget(parent), m_up(arrowButton(Qt::UpArrow, this)),
      m_down(arrowButton(Qt::DownArrow, this))
{
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    // Tab only: a click would hand the focus to the first ancestor that takes click focus,
    // taking it from the line box in the middle of typing.
    setFocusPolicy(Qt::TabFocus);
    resize(sizeHint());
    placeArrows();
    connect(m_up, &QToolButton::clicked, this, &UpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &UpDown::stepDown);
}

void UpDown::setBuddy(QLineEdit *field)
{
    m_buddy = field;
    writeBuddy();
}

void UpDown::setValue(int value)
{
    const int clamped = qBound(m_minimum, value, m_maximum);
    if (clamped == m_value)
        return;
    m_value = clamped;
    writeBuddy();
}

void UpDown::setRange(int min, int max)
{
    m_minimum = min;
    m_maximum = qMax(min, max);
    const int clamped = qBound(m_minimum, m_value, m_maximum);
    if (clamped != m_value) {
        m_value = clamped;
        writeBuddy();
    }
}

QSize UpDown::sizeHint() const
{
    return Twips::rect(0, 0, WidthTwips, HeightTwips).size();
}

void UpDown::stepUp()
{
    if (m_value >= m_maximum)
        return;
    ++m_value;
    writeBuddy();
    Q_EMIT upClick();
}

void UpDown::stepDown()
{
    if (m_value <= m_minimum)
        return;
    --m_value;
    writeBuddy();
    Q_EMIT downClick();
}

void UpDown::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        stepUp();
        event->accept();
        break;
    case Qt::Key_Down:
        stepDown();
        event->accept();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void UpDown::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeArrows();
}

void UpDown::placeArrows()
{
    const int upHeight = height() / 2;
    m_up->setGeometry(0, 0, width(), upHeight);
    m_down->setGeometry(0, upHeight, width(), height() - upHeight);
}

void UpDown::writeBuddy()
{
    if (m_buddy)
        m_buddy->setText(QString::number(m_value));
}
