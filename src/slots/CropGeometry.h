#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <Qt>

#include <optional>

// Geometry of one layout of the crop editor. Every conversion between the
// editor's view points and image pixels goes through viewToImage() and
// imageToView(), so the pointer, the drawing and the cursor agree.
struct EditorGeometry {
    QSizeF px;        // the image's size in pixels
    QRectF fitted;    // where the image is drawn, in view points
    double scale = 1; // view points per image pixel

    // The image fitted into `area`.
    static EditorGeometry of(QSizeF px, QSizeF area);
    // The image drawn at `fitted`.
    static EditorGeometry drawnAt(QSizeF px, const QRectF& fitted);

    // A view point as image pixels, clamped to the image; a point in the
    // empty bands beside the image lands on its nearest edge.
    QPointF viewToImage(QPointF p) const;
    // A rectangle in image pixels as view points.
    QRectF imageToView(const QRectF& r) const;
};

// Half-size of the zone around a corner of the selection in which a press
// grabs that corner, in view points, whatever the zoom.
constexpr double handleHit = 11;

// The corner of `sel` opposite the one grabbed at `p` (both in view points),
// or nothing. Corners are tried top-left, top-right, bottom-left,
// bottom-right; the first in reach wins.
std::optional<QPointF> fixedCorner(QPointF p, const QRectF& sel);

// Whether `p` lies in `r`, left and top edges included, right and bottom
// edges excluded.
bool containsHalfOpen(const QRectF& r, QPointF p);

// What a point of the editor touches of the crop.
enum class CropHit { Handle, Inside, Outside };
// Who asks: the pointer hovering, or a press that starts a drag.
enum class HitFor { Hover, Press };

// The one hit test of the crop editor, for the cursor and the drag alike, `p`
// in view points. A corner zone wins over the inside; the inside includes the
// left and top edges, not the right and bottom ones. The one difference
// between the two: a press is first clamped onto the image, so a press in the
// empty band beside a letterboxed image lands on the image's edge and may grab
// a crop touching that edge, while hovering there shows the crosshair.
CropHit hitTest(const EditorGeometry& geometry, const std::optional<QRectF>& crop, QPointF p,
                HitFor who);

// What a press at `p` would do, as a cursor: the open hand inside the
// selection away from its corners, the crosshair everywhere else.
Qt::CursorShape cursorFor(const EditorGeometry& geometry, const std::optional<QRectF>& crop,
                          QPointF p);
