#include "controls/ColorPickerButton.h"

#include "controls/ColorRules.h"
#include "controls/TransparencyCheckerboard.h"
#include "state/WindowState.h"
#include "ui/TextStyle.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QPointer>

namespace {
constexpr qreal swatchRadius = 5;
constexpr qreal swatchCell = 5;
} // namespace

ColorPickerButton::ColorPickerButton(WindowState& state, QWidget* parent)
    : QAbstractButton(parent), m_state(state)
{
    setText(title);
    setAccessibleName(title);
    setFont(systemFontAt(11));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QAbstractButton::clicked, this, &ColorPickerButton::choose);
    for (auto signal : {&WindowState::borderRChanged, &WindowState::borderGChanged,
                        &WindowState::borderBChanged, &WindowState::borderAChanged})
        connect(&m_state, signal, this, qOverload<>(&QWidget::update));
}

void ColorPickerButton::choose()
{
    if (isChoosing())
        return;
    m_start = m_state.background();
    // The chooser may outlive this picker; its reports then go nowhere.
    QPointer<ColorPickerButton> self(this);
    openPlatformColorDialog(
        this, colorFromComponents(m_state.background()),
        [self](const QColor& c) {
            if (self)
                self->report(c);
        },
        [self](const std::optional<QColor>& c) {
            if (self)
                self->finish(c);
        });
}

void ColorPickerButton::report(const QColor& color)
{
    if (isChoosing())
        write(color);
}

void ColorPickerButton::finish(const std::optional<QColor>& color)
{
    if (!isChoosing())
        return;
    const BackgroundColor start = *m_start;
    m_start.reset();
    if (color)
        write(*color);
    else
        m_state.setBackground(start);
}

void ColorPickerButton::write(const QColor& color)
{
    // A colour that cannot be converted changes nothing.
    if (const std::optional<BackgroundColor> c = componentsFromColor(color))
        m_state.setBackground(*c);
}

QSize ColorPickerButton::sizeHint() const
{
    const QFontMetrics fm(font());
    return QSize(fm.horizontalAdvance(text()) + swatchGap + swatchSize.width(),
                 std::max(fm.height(), swatchSize.height()));
}

QRectF ColorPickerButton::swatchRect() const
{
    const QSizeF s(swatchSize);
    return QRectF(QPointF(width() - s.width(), (height() - s.height()) / 2.0), s);
}

void ColorPickerButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(font());
    p.setPen(cTextSec.toQColor());
    const QRectF swatch = swatchRect();
    p.drawText(QRectF(0, 0, swatch.left() - swatchGap, height()), Qt::AlignLeft | Qt::AlignVCenter,
               text());

    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(swatch, swatchRadius, swatchRadius);
    p.save();
    p.setClipPath(shape);
    paintTransparencyCheckerboard(p, swatch, swatchCell);
    p.fillRect(swatch, colorFromComponents(m_state.background()));
    p.restore();

    const bool lit = (underMouse() && isEnabled()) || isDown() || hasFocus();
    QPainterPath outline;
    outline.addRoundedRect(swatch.adjusted(0.5, 0.5, -0.5, -0.5), swatchRadius - 0.5,
                           swatchRadius - 0.5);
    p.setPen(QPen(lit ? whiteAt(0.45) : whiteAt(0.18), 1));
    p.drawPath(outline);
}
