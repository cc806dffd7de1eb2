#pragma once

// Reading composites back pixel by pixel, and solid test pictures.

#include <QColor>
#include <QImage>

#include <array>
#include <cstdlib>

namespace testsupport {

// The four bytes R, G, B, A of an RGBA8888 (premultiplied or not) pixel.
using Rgba = std::array<int, 4>;

inline Rgba rgbaAt(const QImage& image, int x, int y)
{
    const uchar* p = image.constScanLine(y) + 4 * x;
    return {p[0], p[1], p[2], p[3]};
}

// True when every channel of `a` is within `tolerance` of `b`.
inline bool near(const Rgba& a, const Rgba& b, int tolerance)
{
    for (size_t c = 0; c < 4; ++c)
        if (std::abs(a[c] - b[c]) > tolerance)
            return false;
    return true;
}

inline QImage solidImage(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    image.fill(colour);
    return image;
}

} // namespace testsupport
