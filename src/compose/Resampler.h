#pragma once

#include "compose/ImagePyramid.h"
#include "compose/ResampleKernels.h"

#include <QImage>
#include <QRect>
#include <QRectF>

#include <functional>
#include <vector>

// One picture resampled for a canvas: `region` (whole pixels of level 0) of
// the pyramid's image filtered onto the canvas pixels that `dest` (canvas
// pixels, may be fractional, may reach far beyond the canvas) touches, kept
// apart from the canvas so that it can be laid on it again while it stays
// the same.
//
// The picture is read from the smallest pyramid level that still leaves a
// reduction of at least 1.75 (so less than 3.5), then filtered by a separable
// Lanczos-3 whose weights are made once per axis. Only canvas pixels the
// picture touches are computed, and only the source pixels they need are
// read. Partially covered edge pixels get the exact share of their area that
// the fractional rectangle covers.
class ResampledPicture {
public:
    // Resamples; with `twoThreads` the lower half of the rows is filtered on
    // a second thread. Empty when nothing lands on a canvas of `canvas` (or
    // there was no memory for the rows read). `alsoRead`: the pyramid level
    // another picture of the same pyramid reads, kept (-1 for none).
    void resample(const ImagePyramid& source, QRect region, QRectF dest, QSize canvas,
                  bool twoThreads, int alsoRead = -1);
    void clear();

    // The canvas pixels the picture touches (empty: none).
    QRect area;

    // Draws canvas row y of the picture source-over onto `canvasRow`.
    void drawRow(uchar* canvasRow, int y) const;
    // Copies canvas row y of the picture as filtered, before any partial
    // coverage of its edge pixels, to `out` (area.width() pixels), in the
    // byte order R G B A or, with `bgra`, B G R A.
    void copyRow(uchar* out, int y, bool bgra) const;
    // The part of canvas row y the picture replaces whatever lies under it
    // (wholly covered by an opaque picture); empty when none.
    QRect replacedSpan(int y) const;

private:
    struct Plan;
    void filterRows(const Plan& plan, int from, int to, std::vector<resample::Lanes>& vertical);

    int stride = 0;            // bytes per row of `pixels`
    std::vector<uchar> pixels; // premultiplied RGBA, before coverage
    std::vector<float> coverX;
    std::vector<float> coverY;
    int solidBegin = 0; // columns wholly covered
    int solidEnd = 0;
    bool opaque = false;
    std::vector<resample::Lanes> m_vertical[2]; // working rows, one per thread
};

// Runs `there` on the resampler's second thread while `here` runs on this
// one, and returns when both have. `there` must not itself call this.
void alongside(const std::function<void()>& there, const std::function<void()>& here);

// Draws `region` of the pyramid's image into `dest` on `canvas`
// (RGBA8888 premultiplied), resampled, source-over, clipped to the canvas.
void drawResampled(QImage& canvas, const ImagePyramid& source, QRect region, QRectF dest);

// The pyramid level drawResampled reads for `region` reduced by `reduction`
// (source pixels per canvas pixel).
int pyramidLevelFor(const ImagePyramid& source, QRect region, double reduction);
// The pyramid level ResampledPicture::resample reads for `region` drawn into
// `dest`.
int pyramidLevelFor(const ImagePyramid& source, QRect region, QRectF dest);
