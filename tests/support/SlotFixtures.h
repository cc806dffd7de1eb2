#pragma once

// Helpers for the image slot tests: image files on disk and a panel laid out
// at a known size.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QString>

#include <cstdlib>

// An image whose content shows its orientation: red top-left quadrant, blue
// top-right, green bottom-left, white bottom-right.
inline QImage quadrantImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    const int hw = width / 2, hh = height / 2;
    p.fillRect(0, 0, hw, hh, Qt::red);
    p.fillRect(hw, 0, width - hw, hh, Qt::blue);
    p.fillRect(0, hh, hw, height - hh, Qt::green);
    p.fillRect(hw, hh, width - hw, height - hh, Qt::white);
    return image;
}

// Writes `image` into `dir` as `name` in the format its suffix names.
inline QString writeImage(const QDir& dir, const QString& name, const QImage& image,
                          int quality = -1)
{
    const QString path = dir.filePath(name);
    QImageWriter writer(path);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image))
        return QString();
    return path;
}

inline QString writeBytes(const QDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    return path;
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
