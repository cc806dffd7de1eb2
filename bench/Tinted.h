#pragma once

#include <QImage>

// A greyscale picture tinted, as a decoder hands over a colour file (32-bit
// RGB), so that it takes the colour path.
inline QImage tinted(const QImage& grey)
{
    QImage image = grey.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int v = qRed(line[x]);
            line[x] = qRgb(v, v * 15 / 16, v * 7 / 8);
        }
    }
    return image;
}
