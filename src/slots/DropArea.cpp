#include "slots/DropArea.h"

#include "slots/SlotLoading.h"
#include "ui/Theme.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr double cornerRadius = 12;
constexpr double borderWidth = 2;
} // namespace

DropArea::DropArea(QColor accent, std::function<void(const QString&)> onDropFile, QWidget* parent)
    : QWidget(parent), m_accent(accent), m_onDropFile(std::move(onDropFile))
{
    setAcceptDrops(true);
    setFixedHeight(areaHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setContentsMargins(contentInset, contentInset, contentInset, contentInset);
}

void DropArea::setTargeted(bool targeted)
{
    if (m_targeted == targeted)
        return;
    m_targeted = targeted;
    update();
}

void DropArea::paintEvent(QPaintEvent*)
{
    // The fill and the dashed border change only with the size, the screen
    // and the targeted state: drawn once, then copied on every repaint (the
    // editor on top repaints with each step of a drag).
    const qreal dpr = devicePixelRatioF();
    if (m_background.isNull() || m_backgroundSize != size() || m_backgroundDpr != dpr ||
        m_backgroundTargeted != m_targeted) {
        m_background = QPixmap(size() * dpr);
        m_background.setDevicePixelRatio(dpr);
        m_background.fill(Qt::transparent);
        QPainter p(&m_background);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect());
        QPainterPath shape;
        shape.addRoundedRect(r, cornerRadius, cornerRadius);
        p.fillPath(shape, m_targeted ? atOpacity(m_accent, 0.2) : cBgCard.withOpacity(0.6));

        // The border lies inside the edge: its centre line is half a width in.
        const double h = borderWidth / 2;
        QPainterPath border;
        border.addRoundedRect(r.adjusted(h, h, -h, -h), cornerRadius - h, cornerRadius - h);
        QPen pen(m_targeted ? m_accent : atOpacity(m_accent, 0.4), borderWidth);
        pen.setCapStyle(Qt::FlatCap);
        pen.setDashPattern({6 / borderWidth, 4 / borderWidth}); // in units of the width
        p.strokePath(border, pen);
        m_backgroundSize = size();
        m_backgroundDpr = dpr;
        m_backgroundTargeted = m_targeted;
    }
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
}

void DropArea::dragEnterEvent(QDragEnterEvent* event)
{
    if (!droppedFileLocation(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setTargeted(true);
}

void DropArea::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void DropArea::dragLeaveEvent(QDragLeaveEvent* event)
{
    setTargeted(false);
    QWidget::dragLeaveEvent(event);
}

void DropArea::dropEvent(QDropEvent* event)
{
    setTargeted(false);
    const std::optional<QString> path = droppedFileLocation(event->mimeData());
    if (!path) {
        event->ignore();
        return;
    }
    // Accepted at once; the file is read once the drop has returned.
    event->acceptProposedAction();
    if (m_onDropFile)
        m_onDropFile(*path);
}
