#include "controls/TransparencyCheckerboard.h"

#include "ui/Theme.h"

#include <QPainter>

#include <cmath>

namespace {

int cellCount(qreal length, qreal cell)
{
    if (!(length > 0) || !(cell > 0) || !std::isfinite(length / cell))
        return 0;
    const double n = std::ceil(length / cell);
    return n > 1.0e6 ? 1000000 : int(n);
}

} // namespace

QSize checkerboardGrid(const QSizeF& area, qreal cell)
{
    return QSize(cellCount(area.width(), cell), cellCount(area.height(), cell));
}

void paintTransparencyCheckerboard(QPainter& painter, const QRectF& area, qreal cell)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(area, Qt::white);
    const QColor grey = blackAt(0.12);
    // Only the cells inside the painter's clip need drawing.
    QRectF visible = area;
    if (painter.hasClipping())
        visible = area.intersected(painter.clipBoundingRect());
    const QSize grid = checkerboardGrid(area.size(), cell);
    if (!visible.isEmpty() && !grid.isEmpty()) {
        const int c0 = std::max(0, int((visible.left() - area.left()) / cell));
        const int r0 = std::max(0, int((visible.top() - area.top()) / cell));
        const int c1 =
            std::min(grid.width(), int(std::ceil((visible.right() - area.left()) / cell)));
        const int r1 =
            std::min(grid.height(), int(std::ceil((visible.bottom() - area.top()) / cell)));
        for (int r = r0; r < r1; ++r)
            for (int c = c0 + ((c0 + r) % 2); c < c1; c += 2)
                painter.fillRect(QRectF(area.left() + c * cell, area.top() + r * cell, cell, cell)
                                     .intersected(area),
                                 grey);
    }
    painter.restore();
}
