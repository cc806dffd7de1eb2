#pragma once

#include <QColor>
#include <QImage>
#include <QLineF>
#include <QPixmap>
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

// A scaled copy of an image for the screen, kept while the image and the
// size it is drawn at stay the same, so a repaint during a drag does not
// rescale a large image.
class ScaledImageCache {
public:
    // `image` scaled to `pixelSize` device pixels, tagged with `dpr`.
    const QPixmap& scaled(const QImage& image, QSize pixelSize, qreal dpr);

private:
    qint64 m_key = 0;
    QSize m_size;
    qreal m_dpr = 0;
    QPixmap m_pixmap;
};

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
    void draw(QPainter& painter, QSizeF area, ScaledImageCache* cache = nullptr) const;
};
