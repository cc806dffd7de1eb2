#include "slots/SlotTexts.h"

#include <cmath>

QString integerPartText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    // Adding zero turns a negative zero (from -0.5) into a plain 0.
    return QString::number(std::trunc(value) + 0.0, 'f', 0);
}

QString cropStatusText(QSizeF imagePixels, const std::optional<QRectF>& crop)
{
    if (crop) {
        return QStringLiteral("切り出し ") + integerPartText(crop->width()) +
               QStringLiteral(" × ") + integerPartText(crop->height()) +
               QStringLiteral(" px（位置 ") + integerPartText(crop->x()) + QStringLiteral(", ") +
               integerPartText(crop->y()) + QStringLiteral("）");
    }
    return QStringLiteral("未選択 — 画像全体を使用（") + integerPartText(imagePixels.width()) +
           QStringLiteral(" × ") + integerPartText(imagePixels.height()) + QStringLiteral(" px）");
}

QString fileNameText(const QString& imageName)
{
    return QStringLiteral("✓ ") + imageName;
}

QString frameRowText(int frame, int frameCount)
{
    return QStringLiteral("フレーム %1 / %2").arg(frame + 1).arg(frameCount);
}
