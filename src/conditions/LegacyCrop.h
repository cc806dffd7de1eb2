#pragma once

#include "conditions/SavedCropPair.h"

#include <QVariant>

#include <optional>

// The older per-side entries: a settings list of exactly four numbers x, y,
// width, height. They are only ever read.
inline const QString legacyLeftKey = QStringLiteral("Pairvue.savedCrop.left");
inline const QString legacyRightKey = QStringLiteral("Pairvue.savedCrop.right");

// The longest number text read: far more than any number written needs.
inline constexpr qsizetype maxLegacyNumberLength = 64;

// An element of a legacy list as a number: a numeric value, or text that is
// exactly a decimal number (the settings file keeps number lists as text, which
// another process reads back as strings) of at most maxLegacyNumberLength
// characters. Anything else is not a number.
std::optional<double> legacyNumber(const QVariant& element);

// One side read from the value of its settings entry: absent unless the value
// is a list of exactly four elements of which all four are numbers. The crop is
// the whole-pixel rectangle containing them and must be finite with a width
// and height above zero.
std::optional<SavedCrop> legacyCrop(const QVariant& value);
