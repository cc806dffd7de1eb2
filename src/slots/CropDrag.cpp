#include "slots/CropDrag.h"

#include "compose/Geometry.h"

#include <algorithm>

std::optional<QRectF> CropDragController::change(const EditorGeometry& geometry,
                                                 const std::optional<QRectF>& crop, QPointF start,
                                                 QPointF current)
{
    const QPointF startI = geometry.viewToImage(start);
    const QPointF currentI = geometry.viewToImage(current);

    if (m_dragMode == DragMode::None) {
        switch (hitTest(geometry, crop, start, HitFor::Press)) {
        case CropHit::Handle:
            m_dragMode = DragMode::Resize;
            m_dragAnchor = geometry.viewToImage(*fixedCorner(start, geometry.imageToView(*crop)));
            break;
        case CropHit::Inside:
            m_dragMode = DragMode::Move;
            m_dragStartCrop = *crop;
            m_dragAnchor = startI;
            break;
        case CropHit::Outside:
            m_dragMode = DragMode::New;
            m_dragAnchor = startI;
            break;
        }
    }

    switch (m_dragMode) {
    case DragMode::New:
    case DragMode::Resize:
        return squareRect(m_dragAnchor, currentI, geometry.px);
    case DragMode::Move: {
        const QRectF& d = m_dragStartCrop;
        // Lower limit first, upper second: the square stays inside whenever it fits.
        const double x = std::min(geometry.px.width() - d.width(),
                                  std::max(0.0, d.x() + (currentI.x() - m_dragAnchor.x())));
        const double y = std::min(geometry.px.height() - d.height(),
                                  std::max(0.0, d.y() + (currentI.y() - m_dragAnchor.y())));
        return QRectF(x, y, d.width(), d.height());
    }
    case DragMode::None:
        break;
    }
    return crop;
}

std::optional<QRectF> CropDragController::end(const std::optional<QRectF>& crop)
{
    std::optional<QRectF> result = crop;
    if (m_dragMode == DragMode::New && crop && crop->width() < minimumNewCropWidth)
        result = std::nullopt;
    else if (crop)
        result = integralRect(*crop);
    m_dragMode = DragMode::None;
    return result;
}
