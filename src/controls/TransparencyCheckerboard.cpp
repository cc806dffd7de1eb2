#include "controls/TransparencyCheckerboard.h"

#include "ui/Theme.h"

#include <QPainter>

void paintTransparencyCheckerboard(QPainter& painter, const QRectF& area, qreal cell)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (!(cell > 0 && cell < 4096)) {
        painter.fillRect(area, Qt::white);
        painter.restore();
        return;
    }
    // One tile of 2 x 2 cells in the device's own pixels, so that the cells
    // stay crisp at any pixel ratio; the brush repeats it from the area's corner.
    const qreal dpr = painter.device() ? painter.device()->devicePixelRatio() : 1.0;
    const int side = qMax(1, qRound(cell * dpr));
    QImage tile(2 * side, 2 * side, QImage::Format_RGB32);
    tile.fill(Qt::white);
    {
        QPainter t(&tile);
        t.fillRect(0, 0, side, side, blackAt(0.12));
        t.fillRect(side, side, side, side, blackAt(0.12));
    }
    tile.setDevicePixelRatio(side / cell);
    painter.setBrushOrigin(area.topLeft());
    painter.fillRect(area, QBrush(tile));
    painter.restore();
}
