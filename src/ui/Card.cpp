#include "ui/Card.h"

#include <QPainter>
#include <QPainterPath>

Card::Card(QColor background, qreal cornerRadius, QMargins padding, QWidget* parent)
    : QWidget(parent), m_background(background), m_radius(cornerRadius)
{
    setContentsMargins(padding);
}

void Card::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(m_background);
    if (m_radius > 0)
        p.drawRoundedRect(QRectF(rect()), m_radius, m_radius);
    else
        p.drawRect(rect());
}
