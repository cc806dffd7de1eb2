#include "compose/Geometry.h"

#include <algorithm>
#include <cmath>

QSizeF pixelSize(const QImage& image)
{
    return QSizeF(image.width(), image.height());
}

QRectF integralRect(const QRectF& rect)
{
    const QRectF r = rect.normalized();
    const double x = std::floor(r.x());
    const double y = std::floor(r.y());
    const double right = std::ceil(r.x() + r.width());
    const double bottom = std::ceil(r.y() + r.height());
    return QRectF(x, y, right - x, bottom - y);
}

QRect cropRegion(QSize imageSize, const std::optional<QRectF>& crop)
{
    const QRect whole(0, 0, imageSize.width(), imageSize.height());
    if (!crop)
        return whole;
    const QRectF snapped = integralRect(*crop);
    // Intersect in doubles: a hostile crop may hold values far outside int.
    const double left = std::max(snapped.left(), 0.0);
    const double top = std::max(snapped.top(), 0.0);
    const double right = std::min(snapped.x() + snapped.width(), double(imageSize.width()));
    const double bottom = std::min(snapped.y() + snapped.height(), double(imageSize.height()));
    if (!(right - left >= 1.0) || !(bottom - top >= 1.0))
        return whole;
    return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

std::optional<QImage> croppedImage(const std::optional<QImage>& image,
                                   const std::optional<QRectF>& crop)
{
    if (!image)
        return std::nullopt;
    if (!crop || image->isNull())
        return image;
    const QRect region = cropRegion(image->size(), crop);
    if (region == image->rect())
        return image;
    QImage cut = image->copy(region);
    if (cut.isNull())
        return image;
    cut.setDevicePixelRatio(1.0);
    return cut;
}

QRectF fittedRect(QSizeF imageSize, QSizeF container)
{
    const double w = imageSize.width();
    const double h = imageSize.height();
    if (!(w > 0) || !(h > 0))
        return QRectF(0, 0, 0, 0);
    const double s = std::min(container.width() / w, container.height() / h);
    const double fw = w * s;
    const double fh = h * s;
    return QRectF((container.width() - fw) / 2, (container.height() - fh) / 2, fw, fh);
}

QRectF squareRect(QPointF start, QPointF current, QSizeF bounds)
{
    const double dx = current.x() - start.x();
    const double dy = current.y() - start.y();
    const double roomX = dx < 0 ? start.x() : bounds.width() - start.x();
    const double roomY = dy < 0 ? start.y() : bounds.height() - start.y();
    const double room = std::max(std::min(roomX, roomY), 1.0);
    double side = std::max(std::abs(dx), std::abs(dy));
    side = std::max(std::min(side, room), 1.0);
    const double x = dx < 0 ? start.x() - side : start.x();
    const double y = dy < 0 ? start.y() - side : start.y();
    return QRectF(x, y, side, side);
}
