#include "slots/PhotoBadgeIcon.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

PhotoBadgeIcon::PhotoBadgeIcon(double symbolSize, QColor color, QWidget* parent)
    : QWidget(parent), m_size(symbolSize), m_color(color)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize PhotoBadgeIcon::sizeHint() const
{
    // The picture is a little wider than tall, like a photo lying on its side.
    return QSize(int(std::ceil(m_size * 1.25)), int(std::ceil(m_size)));
}

void PhotoBadgeIcon::paintEvent(QPaintEvent*)
{
    // Drawn opaque into a layer first, then laid down at the colour's
    // opacity, so that overlapping strokes do not darken each other.
    const qreal dpr = devicePixelRatioF();
    const QSize box = sizeHint();
    QImage layer(box * dpr, QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(dpr);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        const double u = m_size / 34.0; // the design grid is 34 units high
        p.scale(u, u);
        QColor solid = m_color;
        solid.setAlphaF(1);

        // Photo frame.
        QPainterPath frame;
        frame.addRoundedRect(QRectF(2, 4, 34, 25), 4.5, 4.5);
        p.strokePath(frame, QPen(solid, 2.6));
        // Hills and sun inside it.
        QPainterPath hills;
        hills.moveTo(5.5, 26);
        hills.lineTo(14, 16.5);
        hills.lineTo(20, 22.5);
        hills.lineTo(24, 18.5);
        hills.lineTo(32.5, 26);
        hills.closeSubpath();
        p.fillPath(hills, solid);
        p.setPen(Qt::NoPen);
        p.setBrush(solid);
        p.drawEllipse(QPointF(26, 11.5), 3, 3);

        // Plus badge on the lower right, set off by a gap.
        const QPointF c(33.5, 25.5);
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.drawEllipse(c, 10.5, 10.5);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.drawEllipse(c, 8.3, 8.3);
        p.setCompositionMode(QPainter::CompositionMode_Clear);
        p.drawRoundedRect(QRectF(c.x() - 4.6, c.y() - 1.25, 9.2, 2.5), 1.2, 1.2);
        p.drawRoundedRect(QRectF(c.x() - 1.25, c.y() - 4.6, 2.5, 9.2), 1.2, 1.2);
    }
    QPainter p(this);
    p.setOpacity(m_color.alphaF());
    p.drawImage(QPointF((width() - box.width()) / 2.0, (height() - box.height()) / 2.0), layer);
}
