#pragma once

// Helpers for the image slot tests: image files on disk and colour checks.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstdlib>

// An image whose content shows its orientation: red top-left quadrant, blue
// top-right, green bottom-left, white bottom-right.
inline QImage quadrantImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const int hw = width / 2, hh = height / 2;
    p.fillRect(0, 0, hw, hh, Qt::red);
    p.fillRect(hw, 0, width - hw, hh, Qt::blue);
    p.fillRect(0, hh, hw, height - hh, Qt::green);
    return image;
}

// Writes `image` (in the format the suffix of `name` names) or raw bytes into
// `dir`; the path, or an empty text on failure.
inline QString writeImage(const QDir& dir, const QString& name, const QImage& image)
{
    const QString path = dir.filePath(name);
    return image.save(path) ? path : QString();
}
inline QString writeBytes(const QDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? f.fileName()
                                                                          : QString();
}
inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Whether two colours are the same within `tolerance` per channel.
inline bool near(QColor a, QColor b, int tolerance = 2)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance &&
           std::abs(a.alpha() - b.alpha()) <= tolerance;
}
