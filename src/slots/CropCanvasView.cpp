#include "slots/CropCanvasView.h"

#include "compose/Geometry.h"
#include "slots/CropGeometry.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr double handleSize = 10;
constexpr double outlineWidth = 2;
const QColor dimming = QColor::fromRgbF(0, 0, 0, 0.55f);
const QColor guide = QColor::fromRgbF(1, 1, 1, 0.35f);
} // namespace

CropOverlay cropOverlay(const QRectF& fitted, QSizeF px, const QRectF& crop)
{
    const QRectF s = EditorGeometry::drawnAt(px, fitted).imageToView(crop);

    CropOverlay o;
    o.selection = s;
    const double l = s.left(), t = s.top(), r = s.right(), b = s.bottom();
    o.thirds = {QLineF(l + s.width() / 3, t, l + s.width() / 3, b),
                QLineF(l, t + s.height() / 3, r, t + s.height() / 3),
                QLineF(l + 2 * s.width() / 3, t, l + 2 * s.width() / 3, b),
                QLineF(l, t + 2 * s.height() / 3, r, t + 2 * s.height() / 3)};
    const double h = handleSize / 2;
    o.handles = {
        QRectF(l - h, t - h, handleSize, handleSize), QRectF(r - h, t - h, handleSize, handleSize),
        QRectF(l - h, b - h, handleSize, handleSize), QRectF(r - h, b - h, handleSize, handleSize)};
    return o;
}

QRectF changedArea(QSizeF area, QSizeF px, const std::optional<QRectF>& before,
                   const std::optional<QRectF>& after)
{
    const QRectF all(QPointF(0, 0), area);
    if (!before || !after)
        return all;
    const QRectF fitted = fittedRect(px, area);
    const QRectF both =
        cropOverlay(fitted, px, *before).selection | cropOverlay(fitted, px, *after).selection;
    // The handles reach half their size beyond the corners; a pixel more
    // takes in the antialiased edges.
    const double margin = handleSize / 2 + outlineWidth + 1;
    return both.adjusted(-margin, -margin, margin, margin) & all;
}

void CropCanvasView::draw(QPainter& painter, QSizeF area, ScaledImage* cache) const
{
    const QRectF fitted = fittedRect(px, area);
    if (!(fitted.width() > 0) || !(fitted.height() > 0) || image.isNull())
        return;

    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize devicePixels(std::max(1, int(std::lround(fitted.width() * dpr))),
                             std::max(1, int(std::lround(fitted.height() * dpr))));
    if (cache) {
        const QImage& scaled = cache->scaled(image, devicePixels);
        painter.drawImage(fitted, scaled, QRectF(QPointF(0, 0), QSizeF(scaled.size())));
    } else {
        painter.drawImage(fitted, image, QRectF(QPointF(0, 0), QSizeF(image.size())));
    }

    if (px.width() > 0 && crop) {
        painter.setRenderHint(QPainter::Antialiasing);
        const CropOverlay o = cropOverlay(fitted, px, *crop);

        QPainterPath dim;
        dim.setFillRule(Qt::OddEvenFill);
        dim.addRect(fitted);
        dim.addRect(o.selection);
        painter.fillPath(dim, dimming);

        QPainterPath grid;
        for (const QLineF& line : o.thirds) {
            grid.moveTo(line.p1());
            grid.lineTo(line.p2());
        }
        painter.strokePath(grid, QPen(guide, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));

        QPainterPath outline;
        outline.addRect(o.selection);
        painter.strokePath(outline,
                           QPen(accent, outlineWidth, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));

        QPainterPath handles;
        handles.setFillRule(Qt::WindingFill);
        for (const QRectF& handle : o.handles)
            handles.addRect(handle);
        painter.fillPath(handles, accent);
    }
    painter.restore();
}
