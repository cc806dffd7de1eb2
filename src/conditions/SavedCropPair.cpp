#include "conditions/SavedCropPair.h"

#include "compose/Geometry.h"

#include <cmath>

SavedCrop savedCrop(const QRectF& crop)
{
    const QRectF r = integralRect(crop);
    return SavedCrop{r.x(), r.y(), r.width(), r.height()};
}

bool isUsable(const SavedCrop& c)
{
    return std::isfinite(c.x) && std::isfinite(c.y) && std::isfinite(c.width) &&
           std::isfinite(c.height) && c.width > 0 && c.height > 0;
}

namespace {

bool inByteRange(qint64 v)
{
    return v >= 0 && v <= 255;
}

} // namespace

bool isValid(const SavedCropPair& record)
{
    if (!isUsable(record.left) || !isUsable(record.right))
        return false;
    if (const auto& b = record.background)
        return inByteRange(b->red) && inByteRange(b->green) && inByteRange(b->blue) &&
               inByteRange(b->alpha);
    return true;
}

double savedAtSeconds(const QDateTime& moment)
{
    return double(moment.toMSecsSinceEpoch()) / 1000.0 - savedAtEpochOffset;
}

std::optional<QDateTime> savedAtDateTime(double seconds)
{
    // About 31,700 years either side: far inside what QDateTime and a 64-bit
    // count of milliseconds hold.
    constexpr double limit = 1e12;
    if (!std::isfinite(seconds) || std::abs(seconds) > limit)
        return std::nullopt;
    const auto msecs = qint64(std::llround((seconds + savedAtEpochOffset) * 1000.0));
    QDateTime moment = QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
    if (!moment.isValid())
        return std::nullopt;
    return moment;
}
