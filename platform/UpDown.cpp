#include "UpDown.h"

#include "Twips.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int WidthTwips = 240;
constexpr int HeightTwips = 345;

// The arrows cover the whole spinner, so each draws its part of the spinner's focus frame.
class ArrowButton final : public QToolButton {
public:
    ArrowButton(Qt::ArrowType arrow, const QString &name, QWidget *spinner) : QToolButton(spinner)
    {
        setArrowType(arrow);
        setAccessibleName(name);
        setAutoRepeat(true);
        // The spinner itself takes the focus; a click on an arrow leaves it where it was.
        setFocusPolicy(Qt::NoFocus);
        setAutoRaise(false);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QToolButton::paintEvent(event);
        const QWidget *spinner = parentWidget();
        if (!spinner->hasFocus())
            return;
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(spinner);
        option.rect = spinner->rect().translated(-pos());
        option.backgroundColor = palette().color(QPalette::Button);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
};

// What a screen reader sees of the spinner: a spin box with its value and range, that it can
// step up and down; the arrows are its children, named buttons it can press.
class AccessibleUpDown final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleUpDown(UpDown *upDown) : QAccessibleWidget(upDown, QAccessible::SpinBox) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return QString::number(upDown()->value());
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return upDown()->value(); }
    // One step at a time, each reported as the click it stands for, so that whatever follows
    // the clicks keeps in step with the value.
    void setCurrentValue(const QVariant &value) override
    {
        const int target = qBound(upDown()->minimum(), value.toInt(), upDown()->maximum());
        while (upDown()->value() < target)
            upDown()->stepUp();
        while (upDown()->value() > target)
            upDown()->stepDown();
    }
    QVariant maximumValue() const override { return upDown()->maximum(); }
    QVariant minimumValue() const override { return upDown()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }

    QStringList actionNames() const override
    {
        return QAccessibleWidget::actionNames() << QAccessibleActionInterface::increaseAction()
                                                << QAccessibleActionInterface::decreaseAction();
    }
    void doAction(const QString &action) override
    {
        if (action == QAccessibleActionInterface::increaseAction())
            upDown()->stepUp();
        else if (action == QAccessibleActionInterface::decreaseAction())
            upDown()->stepDown();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    UpDown *upDown() const { return static_cast<UpDown *>(widget()); }
};

QAccessibleInterface *accessibleUpDown(const QString &, QObject *object)
{
    if (auto *upDown = qobject_cast<UpDown *>(object))
        return new AccessibleUpDown(upDown);
    return nullptr;
}

} // namespace

UpDown::UpDown(QWidget *parent)
    : QWidget(parent), m_up(new ArrowButton(Qt::UpArrow, u"Aumenta"_s, this)),
      m_down(new ArrowButton(Qt::DownArrow, u"Diminuisci"_s, this))
{
    static const bool accessible = [] {
        QAccessible::installFactory(accessibleUpDown);
        return true;
    }();
    Q_UNUSED(accessible);
    m_up->setObjectName(u"up"_s);
    m_down->setObjectName(u"down"_s);
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

void UpDown::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    m_up->update();
    m_down->update();
}

void UpDown::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_up->update();
    m_down->update();
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
    QAccessibleValueChangeEvent event(this, m_value);
    QAccessible::updateAccessibility(&event);
}
