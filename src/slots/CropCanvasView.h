#pragma once

#include "compose/ScaledImage.h"

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QRectF>
#include <QSizeF>

#include <array>
#include <optional>

class QPainter;

// The selection overlay of a crop, in view points.
struct CropOverlay {
    QRectF selection;              // the crop as drawn
    std::array<QLineF, 4> thirds;  // the rule-of-thirds guides inside it
    std::array<QRectF, 4> handles; // 10-point squares centred on its corners
};

// The overlay for `crop` on an image of `px` pixels drawn into `fitted`.
CropOverlay cropOverlay(const QRectF& fitted, QSizeF px, const QRectF& crop);

// The part of an editor of `area` view points that looks different once the
// crop goes from `before` to `after` on an image of `px` pixels: the squares,
// their outlines and handles; the whole area when a crop comes or goes.
QRectF changedArea(QSizeF area, QSizeF px, const std::optional<QRectF>& before,
                   const std::optional<QRectF>& after);

// Draws what the crop editor shows: the image fitted into the area and, with
// a crop, the darkened surroundings, the thirds grid, the outline and the
// corner handles. It only draws and keeps nothing between draws.
struct CropCanvasView {
    QImage image;
    QSizeF px;
    std::optional<QRectF> crop;
    QColor accent;

    // Draws into an area of `area` view points at the painter's origin. With
    // a cache the image is drawn from a copy scaled once for the screen's
    // pixel density; without one, from the image itself.
    void draw(QPainter& painter, QSizeF area, ScaledImage* cache = nullptr) const;
};
