#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// The bitmap as the bytes of one PNG file, with its alpha channel; nothing
// when the encoder fails (a null image, for one). Premultiplied pixels are
// stored un-premultiplied, as PNG requires, so that a reader who multiplies
// them again gets the bitmap back exactly.
std::optional<QByteArray> pngData(const QImage& bitmap);
