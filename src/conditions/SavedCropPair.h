#pragma once

#include "state/BackgroundColor.h"

#include <QDateTime>
#include <QRectF>
#include <QtGlobal>

#include <optional>

// The clipping conditions kept between runs: both crop squares, the canvas
// background and the moment they were saved. Plain values with a fixed member
// order; the stored form is written by CropPairJson.

// One crop in the pixel coordinates of its image (origin top-left, y down).
struct SavedCrop {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const SavedCrop&, const SavedCrop&) = default;
};

// The crop as stored: the whole-pixel rectangle containing `crop`.
SavedCrop savedCrop(const QRectF& crop);
// A crop is usable when its four numbers are finite and its width and height
// are above zero.
bool isUsable(const SavedCrop& crop);

struct SavedCropPair {
    SavedCrop left;  // crop of image 1 (RAO)
    SavedCrop right; // crop of image 2 (LAO)
    std::optional<BackgroundColor> background;
    // Seconds (with fraction) since 2001-01-01 00:00:00 UTC, the epoch the
    // stored record has always used.
    std::optional<double> savedAt;

    friend bool operator==(const SavedCropPair&, const SavedCropPair&) = default;
};

// A record is usable when both crops are usable and a background, if any, lies in 0 to 255.
bool isValid(const SavedCropPair& record);

// Seconds between 1970-01-01 and 2001-01-01, both UTC.
inline constexpr double savedAtEpochOffset = 978307200.0;

// A moment as seconds since 2001-01-01 UTC.
double savedAtSeconds(const QDateTime& moment);
// The moment `seconds` after 2001-01-01 UTC, or nothing when it is not finite
// or lies beyond any date a person could have saved at (tens of thousands of years).
std::optional<QDateTime> savedAtDateTime(double seconds);
