#pragma once

#include "compose/ImagePyramid.h"

#include <QImage>
#include <QRect>
#include <QRectF>

// Draws `region` (whole pixels of level 0) of the pyramid's image into `dest`
// (canvas pixels, may be fractional, may reach far beyond the canvas),
// resampled, source-over, clipped to the canvas. `canvas` is RGBA8888
// premultiplied.
void drawResampled(QImage& canvas, const ImagePyramid& source, QRect region, QRectF dest);
