#include "slots/CropGeometry.h"

#include "compose/Geometry.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

double clampTo(double v, double limit)
{
    if (!(v >= 0)) // also catches NaN
        v = 0;
    if (v > limit)
        v = limit;
    return v;
}

} // namespace

EditorGeometry EditorGeometry::of(QSizeF px, QSizeF area)
{
    return drawnAt(px, fittedRect(px, area));
}

EditorGeometry EditorGeometry::drawnAt(QSizeF px, const QRectF& fitted)
{
    return EditorGeometry{px, fitted, px.width() > 0 ? fitted.width() / px.width() : 1.0};
}

QPointF EditorGeometry::viewToImage(QPointF p) const
{
    if (!(scale > 0))
        return QPointF(0, 0);
    return QPointF(clampTo((p.x() - fitted.x()) / scale, px.width()),
                   clampTo((p.y() - fitted.y()) / scale, px.height()));
}

QRectF EditorGeometry::imageToView(const QRectF& r) const
{
    return QRectF(fitted.x() + scale * r.x(), fitted.y() + scale * r.y(), scale * r.width(),
                  scale * r.height());
}

std::optional<QPointF> fixedCorner(QPointF p, const QRectF& sel)
{
    const QRectF s = sel.normalized();
    const std::array<std::pair<QPointF, QPointF>, 4> corners{{
        {s.topLeft(), s.bottomRight()},
        {s.topRight(), s.bottomLeft()},
        {s.bottomLeft(), s.topRight()},
        {s.bottomRight(), s.topLeft()},
    }};
    for (const auto& [corner, opposite] : corners) {
        if (std::abs(corner.x() - p.x()) <= handleHit && std::abs(corner.y() - p.y()) <= handleHit)
            return opposite;
    }
    return std::nullopt;
}

bool containsHalfOpen(const QRectF& r, QPointF p)
{
    return r.x() <= p.x() && p.x() < r.x() + r.width() && r.y() <= p.y() &&
           p.y() < r.y() + r.height();
}

CropHit hitTest(const EditorGeometry& geometry, const std::optional<QRectF>& crop, QPointF p,
                HitFor who)
{
    if (!crop)
        return CropHit::Outside;
    const QRectF selection = geometry.imageToView(*crop);
    if (fixedCorner(p, selection))
        return CropHit::Handle;
    const bool inside = who == HitFor::Press ? containsHalfOpen(*crop, geometry.viewToImage(p))
                                             : containsHalfOpen(selection, p);
    return inside ? CropHit::Inside : CropHit::Outside;
}

Qt::CursorShape cursorFor(const EditorGeometry& geometry, const std::optional<QRectF>& crop,
                          QPointF p)
{
    return hitTest(geometry, crop, p, HitFor::Hover) == CropHit::Inside ? Qt::OpenHandCursor
                                                                        : Qt::CrossCursor;
}
