#pragma once

#include <QRectF>
#include <QSize>

class QPainter;

// The grey-and-white pattern behind pictures with transparent parts: white,
// with squares of black at opacity 0.12 where row + column is even, so the
// top-left square is grey.
constexpr qreal checkerboardCell = 12;

// Columns and rows of cells covering an area: ceil(width / cell) by
// ceil(height / cell); none for an empty or unusable area.
QSize checkerboardGrid(const QSizeF& area, qreal cell = checkerboardCell);

// Draws the pattern over `area`, cells counted from its top-left corner.
void paintTransparencyCheckerboard(QPainter& painter, const QRectF& area,
                                   qreal cell = checkerboardCell);
