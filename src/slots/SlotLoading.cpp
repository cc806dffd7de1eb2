#include "slots/SlotLoading.h"

#include "imaging/ImageFile.h"
#include "state/WindowState.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>
#include <QtConcurrent/QtConcurrentRun>

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

namespace {

// The loads of one window state, a child of it, so that they end with it.
class SlotLoader : public QObject {
    Q_OBJECT

public:
    static SlotLoader& of(WindowState& state)
    {
        auto* loader = state.findChild<SlotLoader*>(QString(), Qt::FindDirectChildrenOnly);
        return loader ? *loader : *new SlotLoader(state);
    }

    void load(int slot, const QString& path, std::function<void()> onChange)
    {
        const int at = slot == 1 ? 0 : 1;
        const quint64 ticket = ++m_issued[at];
        // The watcher is a child: destroying the state destroys it, and a
        // picture finished after that is never delivered.
        auto* watcher = new QFutureWatcher<Decoded>(this);
        connect(watcher, &QFutureWatcherBase::finished, this,
                [this, watcher, slot, at, ticket, path, onChange = std::move(onChange)] {
                    const Decoded image = watcher->result();
                    watcher->deleteLater();
                    if (!image || ticket <= m_shown[at])
                        return;
                    m_shown[at] = ticket;
                    m_state.setImage(slot, *image);
                    m_state.setName(slot, QFileInfo(path).fileName());
                    m_state.setCrop(slot, std::nullopt);
                    if (onChange)
                        onChange();
                });
        watcher->setFuture(QtConcurrent::run(decode, path));
    }

private:
    using Decoded = std::optional<QImage>;

    explicit SlotLoader(WindowState& state) : QObject(&state), m_state(state) {}

    // The one place where a chosen file becomes a picture; runs on a worker.
    static Decoded decode(const QString& path) { return decodeImageFile(path); }

    WindowState& m_state;
    quint64 m_issued[2] = {0, 0}; // the newest ticket given out, per slot
    quint64 m_shown[2] = {0, 0};  // the ticket of the picture shown, per slot
};

} // namespace

void loadImage(WindowState& state, int slot, const QString& path, std::function<void()> onChange)
{
    SlotLoader::of(state).load(slot, path, std::move(onChange));
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

#include "SlotLoading.moc"
