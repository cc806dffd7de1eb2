#pragma once

// Small helpers for reading composites back pixel by pixel and for making
// test pictures.

#include <QColor>
#include <QImage>

#include <array>
#include <cmath>
#include <vector>

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
    for (int c = 0; c < 4; ++c)
        if (std::abs(a[size_t(c)] - b[size_t(c)]) > tolerance)
            return false;
    return true;
}

inline QImage solidImage(int width, int height, QColor colour,
                         QImage::Format format = QImage::Format_RGBA8888)
{
    QImage image(width, height, format);
    image.fill(colour);
    return image;
}

// One-pixel black and white squares.
inline QImage checkerboard(int width, int height)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            line[x] = (x + y) % 2 ? 255 : 0;
    }
    return image;
}

// Mean and standard deviation of channel `c` over a rectangle.
struct Spread {
    double mean = 0;
    double deviation = 0;
};

inline Spread spreadOf(const QImage& image, QRect area, int c)
{
    double sum = 0;
    double squares = 0;
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const double v = image.constScanLine(y)[4 * x + c];
            sum += v;
            squares += v * v;
            ++n;
        }
    Spread s;
    s.mean = sum / n;
    s.deviation = std::sqrt(std::max(0.0, squares / n - s.mean * s.mean));
    return s;
}

} // namespace testsupport
