#pragma once

#include "conditions/SavedCropPair.h"

#include <QDateTime>
#include <QImage>
#include <QRectF>
#include <QString>

#include <optional>

// The record that saving the current clipping conditions stores: the
// whole-pixel rectangles containing both crops, the background and the moment
// of saving. Nothing when a crop is missing or the record would not be valid.
std::optional<SavedCropPair> cropPairToSave(const std::optional<QRectF>& crop1,
                                            const std::optional<QRectF>& crop2,
                                            const BackgroundColor& background,
                                            const QDateTime& savedAt);

// The square crop a saved crop gives on `image`: the side is the shorter of the
// saved width and height, no larger than the image, floored to whole pixels;
// the origin is rounded (halves away from zero) and slid inside the image.
// Nothing when the image or the side is under one pixel, or the origin is not finite.
std::optional<QRectF> clampedCrop(const SavedCrop& crop, const QImage& image);

// The title of the recall button: "呼び出し" with nothing saved, otherwise with
// the saving time ("M/d HH:mm", local time) or, when that is unknown, "保存データ".
QString recallButtonTitle(bool hasSavedCropPair, const std::optional<QDateTime>& savedCropPairAt);
