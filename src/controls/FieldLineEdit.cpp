#include "controls/FieldLineEdit.h"

#include "ui/TextStyle.h"
#include "ui/Theme.h"

#include <QPainter>
#include <QPainterPath>

namespace {
// QLineEdit keeps a small margin of its own around the text (2 px left and
// right, 1 px above and below); the text margins make up the rest.
constexpr int ownMarginH = 2;
constexpr int ownMarginV = 1;
} // namespace

FieldLineEdit::FieldLineEdit(QWidget* parent) : QLineEdit(parent)
{
    setFrame(false);
    setFont(monospacedFontAt(13));
    setTextMargins(paddingH - ownMarginH, paddingV - ownMarginV, paddingH - ownMarginH,
                   paddingV - ownMarginV);
    setAttribute(Qt::WA_MacShowFocusRect, false);

    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    pal.setColor(QPalette::Text, cTextPri.toQColor());
    pal.setColor(QPalette::Highlight, cAccent.withOpacity(0.55));
    pal.setColor(QPalette::HighlightedText, cTextPri.toQColor());
    setPalette(pal);
}

QSize FieldLineEdit::sizeHint() const
{
    return QSize(QLineEdit::sizeHint().width(), fontMetrics().height() + 2 * paddingV);
}

QSize FieldLineEdit::minimumSizeHint() const
{
    return QSize(QLineEdit::minimumSizeHint().width(), fontMetrics().height() + 2 * paddingV);
}

void FieldLineEdit::paintEvent(QPaintEvent* event)
{
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath surface;
        surface.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        p.fillPath(surface, cBgSec.toQColor());
        // The 1-px outline sits on the pixel grid inside the surface.
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                               cornerRadius - 0.5);
        p.setPen(QPen(hasFocus() ? whiteAt(0.22) : whiteAt(0.07), 1));
        p.drawPath(outline);
    }
    QLineEdit::paintEvent(event);
}
