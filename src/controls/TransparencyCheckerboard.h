#pragma once

#include <QList>
#include <QRectF>
#include <QSize>
#include <QWidget>

class QPainter;

// The grey-and-white pattern behind pictures with transparent parts: white,
// with squares of black at opacity 0.12 where row + column is even, so the
// top-left square is grey.
constexpr qreal checkerboardCell = 12;

// Columns and rows of cells covering an area: ceil(width / cell) by
// ceil(height / cell); none for an empty or unusable area.
QSize checkerboardGrid(const QSizeF& area, qreal cell = checkerboardCell);

// The grey squares of an area whose top-left corner is the origin, row by row,
// those at the right and bottom edges cut to the area.
QList<QRectF> checkerboardGreyCells(const QSizeF& area, qreal cell = checkerboardCell);

// Draws the pattern over `area`, cells counted from its top-left corner.
void paintTransparencyCheckerboard(QPainter& painter, const QRectF& area,
                                   qreal cell = checkerboardCell);

// Fills whatever frame it is given with the pattern. It is decoration only:
// it takes no input and is hidden from assistive technology.
class TransparencyCheckerboard : public QWidget {
    Q_OBJECT

public:
    explicit TransparencyCheckerboard(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
