#pragma once

#include <QImage>

#include <algorithm>
#include <array>

namespace testsupport {

// The four bytes R, G, B, A of an RGBA8888 (premultiplied or not) pixel.
using Rgba = std::array<int, 4>;

inline Rgba rgbaAt(const QImage& image, int x, int y)
{
    const uchar* p = image.constScanLine(y) + 4 * x;
    return {p[0], p[1], p[2], p[3]};
}

inline bool near(const Rgba& a, const Rgba& b, int tolerance)
{
    return std::equal(a.begin(), a.end(), b.begin(),
                      [&](int x, int y) { return std::abs(x - y) <= tolerance; });
}

inline QImage solidImage(int width, int height, QColor colour)
{
    QImage image(width, height, QImage::Format_RGBA8888);
    image.fill(colour);
    return image;
}

} // namespace testsupport
