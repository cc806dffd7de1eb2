#include "slots/SlotLoading.h"

#include "imaging/PictureSource.h"
#include "slots/SlotRun.h"
#include "state/WindowState.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMimeData>
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

// The first location line of a drop payload: the first line that is neither
// blank nor a uri-list comment, trimmed. Only the first maxDropScanBytes bytes
// are looked at, line by line, and nothing past the first such line.
std::optional<QByteArray> firstLocationLine(QByteArrayView payload)
{
    const bool cut = payload.size() > maxDropScanBytes;
    payload = payload.first(qMin(payload.size(), maxDropScanBytes));
    qsizetype start = 0;
    while (start < payload.size()) {
        qsizetype end = start;
        while (end < payload.size() && payload[end] != '\n' && payload[end] != '\r')
            ++end;
        if (end == payload.size() && cut)
            return std::nullopt; // the line goes on past what is read
        const QByteArrayView line = payload.sliced(start, end - start).trimmed();
        if (!line.isEmpty() && line.front() != '#')
            return line.toByteArray();
        start = end + 1;
    }
    return std::nullopt;
}

// A file location written as text: a file URL or an absolute path.
std::optional<QString> locationFromText(QByteArrayView payload)
{
    const std::optional<QByteArray> line = firstLocationLine(payload);
    if (!line)
        return std::nullopt;
    const QString text = QString::fromUtf8(*line);
    if (QDir::isAbsolutePath(text))
        return QDir::cleanPath(text);
    return localFile(QUrl(text, QUrl::TolerantMode));
}

} // namespace

std::optional<QString> droppedFileLocation(const QMimeData* mime)
{
    if (!mime)
        return std::nullopt;
    // File managers send the text form as well; the URLs come first. The list
    // is read as bytes: its comment lines are not locations, and only its
    // first location counts (QMimeData::urls() would parse every line).
    static const QString uriList = QStringLiteral("text/uri-list");
    if (mime->hasFormat(uriList)) {
        const QByteArray list = mime->data(uriList);
        if (!list.isEmpty())
            return locationFromText(list);
    }
    if (mime->hasText()) {
        // Only the part that can be looked at is converted to bytes.
        const QString text = mime->text();
        return locationFromText(QStringView(text).left(maxDropScanBytes + 1).toUtf8());
    }
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
                    Decoded opened = watcher->result();
                    watcher->deleteLater();
                    if (!opened.source || ticket <= m_shown[at])
                        return;
                    m_shown[at] = ticket;
                    SlotRun::of(m_state, slot).setSource(std::move(opened.source), opened.frame);
                    m_state.setImage(slot, opened.image);
                    m_state.setName(slot, QFileInfo(path).fileName());
                    m_state.setCrop(slot, std::nullopt);
                    if (onChange)
                        onChange();
                });
        watcher->setFuture(QtConcurrent::run(decode, path));
    }

private:
    // An opened file and the picture of the frame it shows first.
    struct Decoded {
        std::shared_ptr<PictureSource> source;
        int frame = 0;
        QImage image;
    };

    explicit SlotLoader(WindowState& state) : QObject(&state), m_state(state) {}

    // The one place where a chosen file becomes a picture; runs on a worker.
    static Decoded decode(const QString& path)
    {
        Decoded opened{openPictureSource(path), 0, QImage()};
        if (!opened.source)
            return {};
        opened.frame = opened.source->initialFrame();
        std::optional<QImage> image = opened.source->frame(opened.frame);
        if (!image)
            return {};
        opened.image = std::move(*image);
        return opened;
    }

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
    const QString filter = QStringLiteral("画像ファイル (*.png *.jpg *.jpeg *.bmp *.tif *.tiff "
                                          "*.gif *.dcm *.dicom);;すべてのファイル (*)");
    return QFileDialog::getOpenFileName(parent, QString(), QString(), filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

#include "SlotLoading.moc"
