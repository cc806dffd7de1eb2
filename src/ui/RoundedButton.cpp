#include "ui/RoundedButton.h"

#include "ui/Theme.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

RoundedButton::Look RoundedButton::plainLook(int fontPixelSize, QFont::Weight weight,
                                             QMargins padding)
{
    Look look;
    look.fontPixelSize = fontPixelSize;
    look.weight = weight;
    look.text = cTextPri.toQColor();
    look.background = cBgSec.toQColor();
    look.outline = whiteAt(0.1);
    look.cornerRadius = 8;
    look.padding = padding;
    return look;
}

RoundedButton::RoundedButton(const QString& text, QWidget* parent) : QAbstractButton(parent)
{
    setText(text);
    setAccessibleName(text);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setLook(plainLook(12, QFont::Medium, QMargins(16, 8, 16, 8)));
}

void RoundedButton::setLook(const Look& look)
{
    m_look = look;
    QFont f = font();
    f.setPixelSize(look.fontPixelSize);
    f.setWeight(look.weight);
    setFont(f);
    updateGeometry();
    update();
}

QRectF RoundedButton::labelRect() const
{
    // Room around the label for the glow.
    const qreal g = std::ceil(m_look.glowRadius);
    return QRectF(rect()).adjusted(g, g, -g, -g);
}

QSize RoundedButton::sizeHint() const
{
    const QFontMetrics fm(font());
    const int g = int(std::ceil(m_look.glowRadius));
    const int w = fm.horizontalAdvance(text()) + m_look.padding.left() + m_look.padding.right();
    const int h = fm.height() + m_look.padding.top() + m_look.padding.bottom();
    return QSize(w + 2 * g, h + 2 * g);
}

void RoundedButton::changeEvent(QEvent* event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        setCursor(isEnabled() ? Qt::PointingHandCursor : Qt::ArrowCursor);
    if (event->type() == QEvent::FontChange)
        updateGeometry();
}

void RoundedButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        p.setOpacity(m_look.disabledOpacity);

    const QRectF r = labelRect();
    QPainterPath shape;
    shape.addRoundedRect(r, m_look.cornerRadius, m_look.cornerRadius);

    if (m_look.glow.alpha() > 0 && m_look.glowRadius > 0) {
        // A soft glow: concentric outlines fading outwards.
        const int steps = int(std::ceil(m_look.glowRadius));
        for (int i = steps; i >= 1; --i) {
            QColor c = m_look.glow;
            const double t = 1.0 - double(i) / (steps + 1);
            c.setAlphaF(float(m_look.glow.alphaF() * t * t / 2));
            QPainterPath halo;
            halo.addRoundedRect(r.adjusted(-i, -i, i, i), m_look.cornerRadius + i,
                                m_look.cornerRadius + i);
            p.fillPath(halo, c);
        }
    }

    p.fillPath(shape, m_look.background);
    if (isDown())
        p.fillPath(shape, blackAt(0.18));
    else if (underMouse() && isEnabled())
        p.fillPath(shape, whiteAt(0.04));
    p.setPen(QPen(m_look.outline, 1));
    p.drawPath(shape);
    if (hasFocus() && focusPolicy() != Qt::NoFocus) {
        QPainterPath ring;
        ring.addRoundedRect(r.adjusted(1.5, 1.5, -1.5, -1.5), m_look.cornerRadius - 1.5,
                            m_look.cornerRadius - 1.5);
        p.setPen(QPen(whiteAt(0.35), 1));
        p.drawPath(ring);
    }

    p.setPen(m_look.text);
    p.setFont(font());
    p.drawText(r.marginsRemoved(QMarginsF(m_look.padding)), Qt::AlignCenter, text());
}
