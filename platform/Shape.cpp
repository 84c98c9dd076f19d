#include "Shape.h"

#include "Twips.h"

#include <QPainter>

Shape::Shape(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void Shape::setLeft(float twips)
{
    m_left = twips;
    place();
}

void Shape::setTop(float twips)
{
    m_top = twips;
    place();
}

void Shape::setSizeTwips(float width, float height)
{
    m_width = width;
    m_height = height;
    place();
}

QColor Shape::fillColor() const
{
    return {255, 0, 0};
}

void Shape::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fillColor());
    painter.drawEllipse(QRectF(rect()));
}

void Shape::place()
{
    setGeometry(Twips::rect(m_left, m_top, m_width, m_height));
}
