#pragma once

#include "conditions/SavedCropPair.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// The stored form of a SavedCropPair: one compact JSON object, UTF-8, with the
// members "left", "right", "background", "savedAt" in that order (absent ones
// left out). Crop numbers are written so they read back to the same double,
// whole ones without a fractional part; background components as integers.
// Other windows, later versions and earlier data read and write this exact text.

// Longest document the reader looks at (1 MiB). A saved record is under 250 bytes; a
// larger value is someone else's data and is treated as unreadable.
inline constexpr qsizetype maxCropPairJsonSize = 1024 * 1024;

// The JSON text of `record`, or nothing when a crop number is not finite (JSON
// has no such numbers).
std::optional<QByteArray> encodeCropPair(const SavedCropPair& record);

// The record a JSON text holds, or nothing when the text is not JSON, is too
// large, lacks "left" or "right" or one of their four numbers, or holds a value
// of the wrong type. Members may come in any order and unknown ones are
// ignored; a missing or null "background" or "savedAt" is absent. Background
// components must be integers that fit 64 bits. Validity is not checked here.
std::optional<SavedCropPair> decodeCropPair(QByteArrayView json);

// One JSON number as the record writes it: whole values in plain integer
// digits, others in the shortest form that reads back to the same double.
QByteArray jsonNumber(double value);
