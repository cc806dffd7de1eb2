#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// Whether `bytes` start like a JPEG file (a start-of-image marker).
bool isJpeg(const QByteArray& bytes);

// Decodes a JPEG file with libjpeg-turbo, its stored orientation applied and
// its embedded colour profile kept. The size its header declares is checked
// against the image limits before any pixel memory is asked for, and the
// decoder stops at its first warning: a JPEG that libjpeg cannot read without
// complaint (cut short, corrupt scan data, too many progressive scans) is
// refused rather than shown partly grey. Nothing when refused.
std::optional<QImage> decodeJpeg(const QByteArray& bytes);
