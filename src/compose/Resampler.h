#pragma once

#include "compose/ImagePyramid.h"

#include <QImage>
#include <QRect>
#include <QRectF>

// Draws `region` (whole pixels of level 0) of the pyramid's image into `dest`
// (canvas pixels, may be fractional, may reach far beyond the canvas),
// resampled, source-over, clipped to the canvas. `canvas` is RGBA8888
// premultiplied.
//
// The picture is read from the smallest pyramid level that still leaves a
// reduction of at least 1.5 (so at most 3), then filtered by a separable Lanczos-3 whose weights
// are made once per axis. Only canvas pixels the picture touches are computed, and only the source
// pixels they need are read. Partially covered edge pixels get the exact share of their area that
// the fractional rectangle covers.
void drawResampled(QImage& canvas, const ImagePyramid& source, QRect region, QRectF dest);

// The pyramid level drawResampled reads for `region` reduced by `reduction`
// (source pixels per canvas pixel).
int pyramidLevelFor(const ImagePyramid& source, QRect region, double reduction);
