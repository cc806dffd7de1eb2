#pragma once

#include <QRectF>

class QPainter;

// The grey-and-white pattern behind pictures with transparent parts: white,
// with squares of black at opacity 0.12 where row + column is even, so the
// top-left square is grey.
constexpr qreal checkerboardCell = 12;

// Draws the pattern over `area`, cells counted from its top-left corner, on
// whole device pixels.
void paintTransparencyCheckerboard(QPainter& painter, const QRectF& area,
                                   qreal cell = checkerboardCell);
