#pragma once

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QString>

#include <memory>
#include <optional>

// Limits on what an image file may decode to, judged from its header before
// memory is asked for (an enormous allocation can appear to succeed on Linux
// and take the program down when touched): at most 2^28 pixels and at most
// 1 GiB of decoded pixels, whatever the shape, so a 20000 x 10 strip loads.
constexpr qint64 maxImagePixels = qint64(1) << 28;
constexpr qint64 maxImageBytes = qint64(1) << 30;
// The largest image file read at all.
constexpr qint64 maxImageFileBytes = qint64(1) << 30;

// Lowers the limits above to `pixels` pixels (and four bytes each) for the
// rest of the process; never raises them. The fuzz targets decode faster so.
void lowerImageLimits(qint64 pixels);

// Whether an image of `width` x `height` pixels, `bytesPerPixel` each once
// decoded, is small enough to decode.
bool imageSizeAllowed(qint64 width, qint64 height, int bytesPerPixel = 4);

// Opens the file at `path` for reading when it is a regular file. It is opened
// without blocking and judged by the opened descriptor, so a pipe or device
// put in its place at any moment is refused, never waited on. Nothing for
// anything else.
std::unique_ptr<QFile> openRegularFile(const QString& path);

// The whole content of the regular file at `path` when it holds at most
// `maxBytes` bytes; nothing otherwise (see openRegularFile()).
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes);

// Decodes the bytes of an image file (PNG, JPEG, BMP, TIFF, GIF, recognised by
// content) with its stored orientation applied. Nothing when they are not a
// readable image, are cut off or corrupt, or decode to more than the limits.
std::optional<QImage> decodeImageBytes(const QByteArray& bytes);

// decodeImageBytes() on the content of the regular file at `path`.
std::optional<QImage> decodeImageFile(const QString& path);
