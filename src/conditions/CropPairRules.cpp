#include "conditions/CropPairRules.h"

#include "compose/Geometry.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

std::optional<SavedCropPair> cropPairToSave(const std::optional<QRectF>& crop1,
                                            const std::optional<QRectF>& crop2,
                                            const BackgroundColor& background,
                                            const QDateTime& savedAt)
{
    if (!crop1 || !crop2)
        return std::nullopt;
    SavedCropPair record{savedCrop(*crop1), savedCrop(*crop2), background, savedAtSeconds(savedAt)};
    if (!isValid(record))
        return std::nullopt;
    return record;
}

std::optional<QRectF> clampedCrop(const SavedCrop& crop, const QImage& image)
{
    const QSizeF size = pixelSize(image);
    const double pw = size.width();
    const double ph = size.height();
    if (pw < 1 || ph < 1 || std::isnan(crop.width) || std::isnan(crop.height))
        return std::nullopt;
    const double side = std::floor(std::min({crop.width, crop.height, pw, ph}));
    if (!(side >= 1) || !std::isfinite(crop.x) || !std::isfinite(crop.y))
        return std::nullopt;
    // std::round takes halves away from zero.
    const double x = std::min(std::max(std::round(crop.x), 0.0), pw - side);
    const double y = std::min(std::max(std::round(crop.y), 0.0), ph - side);
    return QRectF(x, y, side, side);
}

QString recallButtonTitle(bool hasSavedCropPair, const std::optional<QDateTime>& savedCropPairAt)
{
    if (!hasSavedCropPair)
        return QStringLiteral("呼び出し");
    if (!savedCropPairAt || !savedCropPairAt->isValid())
        return QStringLiteral("呼び出し（保存データ）");
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    return QStringLiteral("呼び出し（%1 保存データ）")
        .arg(japanese.toString(savedCropPairAt->toLocalTime(), QStringLiteral("M/d HH:mm")));
}
