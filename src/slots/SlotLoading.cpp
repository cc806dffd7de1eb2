#include "slots/SlotLoading.h"

#include "state/WindowState.h"
#include "imaging/ImageFile.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMetaObject>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

namespace {

std::optional<QString> localFile(const QUrl& url)
{
    if (!url.isValid() || !url.isLocalFile())
        return std::nullopt;
    const QString path = url.toLocalFile();
    if (path.isEmpty())
        return std::nullopt;
    return path;
}

// A file location written as text: a file URL or an absolute path.
std::optional<QString> locationFromText(const QString& text)
{
    const QStringList lines =
        text.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue; // blank lines and uri-list comments
        if (QDir::isAbsolutePath(line))
            return QDir::cleanPath(line);
        return localFile(QUrl(line, QUrl::TolerantMode));
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> droppedFileLocation(const QMimeData* mime)
{
    if (!mime)
        return std::nullopt;
    // File managers send the text form as well; the URLs come first.
    if (mime->hasUrls()) {
        // Read the list itself: its comment lines are not locations.
        const QByteArray list = mime->data(QStringLiteral("text/uri-list"));
        if (!list.isEmpty())
            return locationFromText(QString::fromUtf8(list));
        const QList<QUrl> urls = mime->urls();
        if (!urls.isEmpty())
            return localFile(urls.first());
    }
    if (mime->hasText())
        return locationFromText(mime->text());
    return std::nullopt;
}

bool loadImage(WindowState& state, int slot, const QString& path,
               const std::function<void()>& onChange)
{
    std::optional<QImage> image = decodeImageFile(path);
    if (!image)
        return false;
    state.setImage(slot, *image);
    state.setName(slot, QFileInfo(path).fileName());
    state.setCrop(slot, std::nullopt);
    if (onChange)
        onChange();
    return true;
}

void postLoadImage(WindowState& state, int slot, const QString& path,
                   std::function<void()> onChange)
{
    QMetaObject::invokeMethod(
        &state,
        [target = &state, slot, path, onChange = std::move(onChange)] {
            loadImage(*target, slot, path, onChange);
        },
        Qt::QueuedConnection);
}

QString runOpenFileDialog(QWidget* parent)
{
    // Qt's own dialog, so that it speaks the program's language whatever the
    // desktop's. No caption: the dialog keeps its usual title.
    const QString filter =
        QStringLiteral("画像ファイル (*.png *.jpg *.jpeg *.bmp *.tif *.tiff *.gif)");
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}
