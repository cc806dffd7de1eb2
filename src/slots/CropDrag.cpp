#include "slots/CropDrag.h"

#include "compose/Geometry.h"

#include <algorithm>
#include <cmath>

QRectF movedInside(const QRectF& crop, QSizeF px, QPointF by)
{
    // Lower limit first, upper second: the square stays inside whenever it fits.
    const double x = std::min(px.width() - crop.width(), std::max(0.0, crop.x() + by.x()));
    const double y = std::min(px.height() - crop.height(), std::max(0.0, crop.y() + by.y()));
    return QRectF(x, y, crop.width(), crop.height());
}

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
    case DragMode::Move:
        return movedInside(m_dragStartCrop, geometry.px, currentI - m_dragAnchor);
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

namespace {

// The crop grown (d > 0) or shrunk (d < 0) by d pixels in width and height
// about its centre, as far as it fits in the image and stays 8 pixels wide,
// then moved back inside the image.
QRectF resized(const QRectF& c, QSizeF px, double d)
{
    if (d > 0)
        d = std::min(d, std::max(0.0, std::min(px.width() - c.width(), px.height() - c.height())));
    else
        d = -std::min(-d, std::max(0.0, std::min(c.width(), c.height()) - minimumNewCropWidth));
    const double shift = std::floor(d / 2);
    return movedInside(QRectF(c.x() - shift, c.y() - shift, c.width() + d, c.height() + d), px,
                       QPointF());
}

} // namespace

std::optional<CropKeyEdit> cropAfterKey(const std::optional<QRectF>& crop, QSizeF px, int key,
                                        Qt::KeyboardModifiers modifiers)
{
    if (!(px.width() >= 1 && px.height() >= 1))
        return std::nullopt;
    // Shift scales a step; with any other modifier the key is someone else's.
    if (modifiers & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return std::nullopt;
    if (!crop) {
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return std::nullopt;
        const double side = std::floor(std::min(px.width(), px.height()));
        return CropKeyEdit{QRectF(std::floor((px.width() - side) / 2),
                                  std::floor((px.height() - side) / 2), side, side)};
    }
    const QRectF& c = *crop;
    const double step = modifiers & Qt::ShiftModifier ? 10 : 1;
    QRectF next;
    switch (key) {
    case Qt::Key_Left:
        next = movedInside(c, px, QPointF(-step, 0));
        break;
    case Qt::Key_Right:
        next = movedInside(c, px, QPointF(step, 0));
        break;
    case Qt::Key_Up:
        next = movedInside(c, px, QPointF(0, -step));
        break;
    case Qt::Key_Down:
        next = movedInside(c, px, QPointF(0, step));
        break;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        next = resized(c, px, 2 * step);
        break;
    case Qt::Key_Minus:
    case Qt::Key_Underscore: // Shift+- on most keyboards
        next = resized(c, px, -2 * step);
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        return CropKeyEdit{std::nullopt};
    default:
        return std::nullopt;
    }
    return CropKeyEdit{integralRect(next)};
}
