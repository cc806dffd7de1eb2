#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

// Limits on what an image file may decode to. Anything larger is refused
// from its header, before memory is asked for: an enormous allocation can
// appear to succeed on Linux and take the program down when touched.
constexpr int maxImageSide = 16384;
constexpr qint64 maxImageBytes = qint64(1) << 30;

// Whether an image of `width` x `height` pixels is small enough to decode.
bool imageSizeAllowed(qint64 width, qint64 height);

// Whether the bytes of a file in `format` (the decoder's name for it, such
// as "jpeg") run to their end. Some decoders quietly fill a cut-off file with
// grey; such a file is refused rather than shown half-missing. Formats it
// cannot judge count as complete.
bool looksComplete(const QByteArray& format, const uchar* data, qint64 size);

// Decodes an image file with its stored orientation applied. Nothing when the
// file is not a readable image, is cut off or corrupt, or is too large.
std::optional<QImage> decodeImageFile(const QString& path);
