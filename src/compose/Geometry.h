#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSizeF>

#include <optional>

// Pixel geometry of images and crops. Crop rectangles are in image pixels,
// origin at the image's top-left corner, y growing downwards.

// The image's size in pixels (independent of its device pixel ratio).
QSizeF pixelSize(const QImage& image);

// The smallest rectangle with whole-number edges that contains `rect`
// (a rectangle with a negative width or height is normalised first).
// Non-finite input gives a non-finite result; callers check.
QRectF integralRect(const QRectF& rect);

// The whole-pixel region of an image of `imageSize` pixels that a crop
// selects: the crop snapped outwards to whole pixels and cut at the image's
// edges. Absent crop, or one that leaves less than a pixel, selects the
// whole image.
QRect cropRegion(QSize imageSize, const std::optional<QRectF>& crop);

// The crop applied to the image: the same image (shared, not copied) when
// there is no usable crop, otherwise a new image of the cut pixels.
std::optional<QImage> croppedImage(const std::optional<QImage>& image,
                                   const std::optional<QRectF>& crop);

// The largest rectangle with the image's aspect ratio centred in a container.
QRectF fittedRect(QSizeF imageSize, QSizeF container);

// The square a drag from `start` to `current` describes, fixed at `start`,
// opening towards the pointer's quadrant, kept within (0, 0, bounds).
QRectF squareRect(QPointF start, QPointF current, QSizeF bounds);
