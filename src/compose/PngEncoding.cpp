#include "compose/PngEncoding.h"

#include <QBuffer>
#include <QImageWriter>

std::optional<QByteArray> pngData(const QImage& bitmap)
{
    if (bitmap.isNull())
        return std::nullopt;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly))
        return std::nullopt;
    // The encoder's defaults: no compression level, profile or text is set.
    QImageWriter writer(&buffer, "png");
    if (!writer.write(bitmap))
        return std::nullopt;
    buffer.close();
    return bytes;
}
