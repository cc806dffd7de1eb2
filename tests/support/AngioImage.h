#pragma once

// A synthetic angiogram for tests and benchmarks: greyscale with a vignette,
// smooth tissue shading, noise and a tree of dark, tapering vessels.
// Deterministic for a side.

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <random>

namespace testsupport {

inline void drawVessel(QPainter& p, std::mt19937& rng, QPointF at, double angle, double width,
                       double length, int depth, double side)
{
    std::normal_distribution<double> turn(0.0, 0.12);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const int steps = std::max(4, int(length / (side / 160)));
    for (int i = 0; i < steps && width > 0.6; ++i, width *= 0.985) {
        angle += turn(rng);
        const QPointF next = at + QPointF(std::cos(angle), std::sin(angle)) * (length / steps);
        const int shade = std::clamp(int(70 + 60 / (1 + width)), 0, 255);
        p.setPen(QPen(QColor(shade, shade, shade), width, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(at, next);
        at = next;
        if (depth > 0 && unit(rng) < 0.07) {
            const double branch = angle + (unit(rng) < 0.5 ? -1 : 1) * (0.4 + 0.6 * unit(rng));
            drawVessel(p, rng, at, branch, width * 0.985 * 0.7, length * 0.5, depth - 1, side);
        }
    }
}

inline QImage angiogram(int side, unsigned seed = 7)
{
    QImage image(side, side, QImage::Format_Grayscale8);
    std::mt19937 rng(seed);
    const double c = side / 2.0;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double r = std::hypot(x - c, y - c) / c;
            const double shade =
                175 - 70 * r * r + 18 * std::sin(x * 6.0 / side) * std::cos(y * 4.0 / side);
            image.scanLine(y)[x] = uchar(std::clamp(shade, 0.0, 255.0));
        }
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (int v = 0; v < 5; ++v) {
            const QPointF start(side * (0.2 + 0.6 * unit(rng)), side * 0.05);
            drawVessel(p, rng, start, M_PI / 2 + (unit(rng) - 0.5), side / 60.0, side * 0.9, 4,
                       side);
        }
    }
    std::normal_distribution<double> noise(0.0, 6.0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.scanLine(y)[x] = uchar(std::clamp(image.scanLine(y)[x] + noise(rng), 0.0, 255.0));
    return image;
}

} // namespace testsupport
