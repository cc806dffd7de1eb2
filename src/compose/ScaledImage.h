#pragma once

#include <QImage>
#include <QRect>
#include <QSize>

// An image scaled for the screen and kept between paints, so that a repaint
// during a drag rescales nothing. It is made again when the image or the size
// changes. While the scaling reduces by less than 2, it is filtered as the
// composite's pictures are (Lanczos-3), and a new image that differs from the
// last one only in part (one picture of a composite recomposed) has only the
// scaled pixels that part reaches made again; larger reductions use Qt's
// smooth scaling, which is quicker there. The result is premultiplied ARGB32,
// the format the screen is painted from fastest.
class ScaledImage {
public:
    const QImage& scaled(const QImage& image, QSize size);

private:
    QImage m_source; // the image last scaled, shared, not copied
    QImage m_scaled;
    bool m_filtered = false; // made with the resampler, so parts may be remade
};

// The smallest rectangle holding every pixel in which `before` and `after`
// differ: empty when they are the same, all of `after` when they differ in
// size or format or are not four bytes a pixel.
QRect differingArea(const QImage& before, const QImage& after);
