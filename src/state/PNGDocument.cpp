#include "state/PNGDocument.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

std::optional<QString> PNGDocument::writeToFile(const QString& path) const
{
    if (path.isEmpty())
        return QStringLiteral("保存先のファイル名がありません");
    const auto failure = [&path](QString reason) {
        if (reason.isEmpty())
            reason = QStringLiteral("書き込みが完了しませんでした");
        QString name = QFileInfo(path).fileName();
        if (name.isEmpty())
            name = path;
        return QStringLiteral("「%1」を保存できませんでした（%2）").arg(name, reason);
    };

    // An uncommitted save file is discarded when it goes out of scope: the
    // target is replaced only by a complete file.
    QSaveFile file(path);
    // Unbuffered, so that every write reaches the file system here and a
    // failure is seen at once. With buffering, a failure in the final flush
    // would go unnoticed and the short file would replace the target.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(file.errorString());
    errno = 0;
    const qint64 written = file.write(data);
    if (written != data.size() || !file.flush()) {
        // A short write may come back without an error of its own; the
        // system's reason is then the last one it gave.
        const int systemError = errno;
        if (file.error() != QFileDevice::NoError)
            return failure(file.errorString());
        return failure(systemError != 0 ? qt_error_string(systemError) : QString());
    }
    if (!file.commit())
        return failure(file.error() != QFileDevice::NoError ? file.errorString() : QString());
    return std::nullopt;
}
