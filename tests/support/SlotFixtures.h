#pragma once

// Image files on disk and colour checks for the slot tests.

#include <QDir>
#include <QPainter>

// Shows its orientation: red top-left, blue top-right, green bottom-left, white bottom-right.
inline QImage quadrantImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const int w = width / 2, h = height / 2;
    p.fillRect(0, 0, w, h, Qt::red);
    p.fillRect(w, 0, width - w, h, Qt::blue);
    p.fillRect(0, h, w, height - h, Qt::green);
    return image;
}

// Writes into `dir`; the path, or an empty text on failure.
inline QString writeImage(const QDir& dir, const QString& name, const QImage& image)
{
    return image.save(dir.filePath(name)) ? dir.filePath(name) : QString();
}
inline QString writeBytes(const QDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? f.fileName() : "";
}
inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool near(QColor a, QColor b, int tolerance = 2)
{
    const auto d = [&](int x, int y) { return std::abs(x - y) <= tolerance; };
    return d(a.red(), b.red()) && d(a.green(), b.green()) && d(a.blue(), b.blue()) &&
           d(a.alpha(), b.alpha());
}
