#include "compose/Resampler.h"

#include <QPainter>

void drawResampled(QImage& canvas, const ImagePyramid& source, QRect region, QRectF dest)
{
    QPainter p(&canvas);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(dest, source.level(0), QRectF(region));
}
