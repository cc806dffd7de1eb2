#pragma once

#include <QString>

// The outcome texts the window's status line shows; `pairvue compose` writes
// the same ones.
namespace status {
inline const QString invalidParameter = QStringLiteral("❌  パラメータに不正な値があります");
inline const QString compositionFailed = QStringLiteral("❌  合成に失敗しました");
inline const QString pngFailed = QStringLiteral("❌  PNG生成に失敗しました");
inline QString saved(const QString& fileName)
{
    return QStringLiteral("✅  保存完了: %1").arg(fileName);
}
inline QString saveFailed(const QString& reason)
{
    return QStringLiteral("❌  保存失敗: %1").arg(reason);
}
} // namespace status
