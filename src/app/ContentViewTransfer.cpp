// How the composite leaves a window for other programs: the clipboard, the
// preview's context menu and a drag out of the preview.

#include "app/ContentView.h"
#include "app/ResultPreview.h"
#include "compose/ExportName.h"
#include "compose/PngEncoding.h"

#include <QAction>
#include <QClipboard>
#include <QDateTime>
#include <QDrag>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>

namespace {
const QString copyTitle = QStringLiteral("画像をコピー");
const QString saveTitle = QStringLiteral("PNG で保存…");
constexpr int dragThumbnailWidth = 200;
} // namespace

void ContentView::connectTransfer()
{
    // A text field takes Ctrl+C for its own selection first (it claims the
    // keys before the window's shortcuts see them).
    m_copyAction = new QAction(copyTitle, this);
    m_copyAction->setShortcut(QKeySequence::Copy);
    m_copyAction->setShortcutContext(Qt::WindowShortcut);
    m_copyAction->setShortcutVisibleInContextMenu(true);
    connect(m_copyAction, &QAction::triggered, this, &ContentView::copyComposite);
    addAction(m_copyAction);

    m_preview->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_preview, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        if (m_state.resultCG().isNull())
            return;
        QMenu* menu = makePreviewMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_preview->mapToGlobal(at));
    });
    m_preview->setOnDragOut([this] { dragComposite(); });
}

QMenu* ContentView::makePreviewMenu()
{
    auto* menu = new QMenu(this);
    styleAsCardMenu(*menu);
    menu->addAction(m_copyAction);
    connect(menu->addAction(saveTitle), &QAction::triggered, this, &ContentView::save);
    return menu;
}

void ContentView::copyComposite()
{
    const QImage& composite = m_state.resultCG();
    if (composite.isNull())
        return;
    const std::optional<QByteArray> png = pngData(composite);
    if (!png)
        return;
    QGuiApplication::clipboard()->setMimeData(compositeMimeData(*png, composite));
}

void ContentView::setDragRunner(DragRunner runner)
{
    m_runDrag = runner ? std::move(runner) : DragRunner(runDrag);
}

void ContentView::dragComposite()
{
    const QImage composite = m_state.resultCG();
    if (composite.isNull())
        return;
    const std::optional<QByteArray> png = pngData(composite);
    if (!png)
        return;
    const std::optional<QString> file =
        writeDragFile(m_dragFolder, exportFileName(QDateTime::currentDateTime()), *png);
    QPointer<QDrag> drag = new QDrag(m_preview);
    drag->setMimeData(compositeMimeData(*png, composite, file.value_or(QString())));
    const QPixmap thumbnail = QPixmap::fromImage(composite.scaledToWidth(
        std::min(dragThumbnailWidth, composite.width()), Qt::SmoothTransformation));
    drag->setPixmap(thumbnail);
    drag->setHotSpot(QPoint(thumbnail.width() / 2, thumbnail.height() / 2));
    // The drag runs its own event loop; the window may close meanwhile and
    // take the drag with it.
    const DragRunner run = m_runDrag;
    run(*drag);
    if (drag)
        drag->deleteLater();
}
