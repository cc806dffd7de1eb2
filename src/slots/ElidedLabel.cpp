#include "slots/ElidedLabel.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {
// A screen reader hears the label as static text, the whole text however
// much of it is drawn (the accessible name holds it); the tooltip would only
// repeat it.
class AccessibleElidedLabel : public QAccessibleWidget {
public:
    explicit AccessibleElidedLabel(QWidget* label)
        : QAccessibleWidget(label, QAccessible::StaticText)
    {
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Description ? QString() : QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* accessibleElidedLabel(const QString& className, QObject* object)
{
    if (className == QLatin1String("ElidedLabel") && object && object->isWidgetType())
        return new AccessibleElidedLabel(static_cast<QWidget*>(object));
    return nullptr;
}
} // namespace

ElidedLabel::ElidedLabel(QWidget* parent) : QWidget(parent)
{
    static const bool accessible = (QAccessible::installFactory(accessibleElidedLabel), true);
    Q_UNUSED(accessible);
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    setAccessibleName(text);
    updateGeometry();
    updateToolTip();
    update();
}

QString ElidedLabel::displayedText() const
{
    return fontMetrics().elidedText(m_text, Qt::ElideMiddle, width());
}

int ElidedLabel::lineHeight() const
{
    // Glyphs from fallback fonts (symbols, Japanese) can make the line
    // taller than the font's own height.
    QTextLayout layout(m_text.isEmpty() ? QStringLiteral(" ") : m_text, font());
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    return std::max(fontMetrics().height(), int(std::ceil(line.height())));
}

QSize ElidedLabel::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(m_text), lineHeight());
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(0, lineHeight());
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, displayedText());
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateToolTip();
}

void ElidedLabel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        updateGeometry();
        updateToolTip();
    }
}

void ElidedLabel::updateToolTip()
{
    setToolTip(displayedText() == m_text ? QString() : m_text);
}
