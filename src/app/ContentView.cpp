#include "app/ContentView.h"

#include "app/CropPairButton.h"
#include "app/StatusTexts.h"
#include "compose/ExportName.h"
#include "compose/Geometry.h"
#include "compose/PngEncoding.h"
#include "conditions/CropPairRules.h"
#include "conditions/CropPairStore.h"
#include "slots/DropZoneView.h"
#include "ui/RoundedButton.h"

#include <QDateTime>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>

namespace {
const QString missingImage1 = QStringLiteral("画像1を選択してください");
const QString missingImage2 = QStringLiteral("画像2を選択してください");
} // namespace

ContentView::ContentView(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Pairvue"));
    setMinimumSize(820, 720);
    buildLayout();
    connectChangeHandlers();
    connectTransfer();
}

ContentView::~ContentView()
{
    // The widgets hold references to the window state, a member, which would
    // be gone before QWidget's destructor deletes them. So they go first, while
    // the state, its loads and the compositor are whole: hidden (a drag under
    // way ends as on closing), then deleted with any dialog they opened.
    hide();
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void ContentView::connectChangeHandlers()
{
    // Attached after the initial values are in place, so they run only for
    // later changes; the setters announce unequal values only.
    for (auto signal :
         {&WindowState::canvasWChanged, &WindowState::canvasHChanged, &WindowState::imgSizeChanged,
          &WindowState::cx1Changed, &WindowState::cx2Changed, &WindowState::cyChanged,
          &WindowState::borderRChanged, &WindowState::borderGChanged, &WindowState::borderBChanged,
          &WindowState::borderAChanged})
        connect(&m_state, signal, this, &ContentView::refresh);
}

void ContentView::refresh()
{
    WindowState& s = m_state;
    if (!s.canGenerate()) {
        s.resultImage.set(QImage());
        s.resultCG.set(QImage());
        s.statusMsg.set(s.image1().isNull() ? missingImage1 : missingImage2);
        return;
    }
    const Compositor::Picture picture1{s.image1(), cropRegion(s.image1().size(), s.crop1())};
    const Compositor::Picture picture2{s.image2(), cropRegion(s.image2().size(), s.crop2())};

    const std::optional<CompositionParams> params =
        parseCompositionParams(s.canvasW(), s.canvasH(), s.imgSize(), s.cx1(), s.cx2(), s.cy());
    if (!params) {
        s.statusMsg.set(status::invalidParameter);
        return;
    }
    const std::optional<QImage> composite =
        m_compositor.compose(picture1, picture2, *params, s.background());
    if (!composite) {
        s.statusMsg.set(status::compositionFailed);
        return;
    }
    s.resultCG.set(*composite);
    s.resultImage.set(*composite);
    s.statusMsg.set(QString());
}

void ContentView::openFiles(const QStringList& files)
{
    for (int slot = 1; slot <= 2 && slot <= files.size(); ++slot)
        slotPanel(slot)->loadDroppedFile(files[slot - 1]);
}

void ContentView::clearImages()
{
    WindowState& s = m_state;
    s.image1.set(QImage());
    s.image2.set(QImage());
    s.name1.set(QString());
    s.name2.set(QString());
    s.crop1.set(std::nullopt);
    s.crop2.set(std::nullopt);
    s.resultImage.set(QImage());
    s.resultCG.set(QImage());
    s.exportDoc.set(std::nullopt);
    s.showExporter.set(false);
    s.statusMsg.set(WindowState::initialStatus);
    m_compositor.releaseImages();
}

void ContentView::loadSavedSettings()
{
    WindowState& s = m_state;
    const std::optional<SavedCropPair> record = cropPairStore().readSavedCropPair();
    if (!record) {
        s.hasSavedCropPair.set(false);
        s.savedCropPairAt.set(std::nullopt);
        return;
    }
    s.hasSavedCropPair.set(true);
    s.savedCropPairAt.set(record->savedAt ? savedAtDateTime(*record->savedAt) : std::nullopt);
    // Each component that changes recomposes through its change handler.
    if (record->background)
        s.setBackground(*record->background);
}

void ContentView::setSaveDialog(std::unique_ptr<SaveDialog> dialog)
{
    m_saveDialog = dialog ? std::move(dialog) : std::make_unique<PngSaveDialog>();
}

void ContentView::save()
{
    WindowState& s = m_state;
    // One save dialog at a time.
    if (s.showExporter())
        return;
    const std::optional<QByteArray> png = pngData(s.resultCG());
    if (!png) {
        s.statusMsg.set(status::pngFailed);
        return;
    }
    const QString name = exportFileName(QDateTime::currentDateTime());
    s.exportName.set(name);
    s.exportDoc.set(PNGDocument{*png});
    s.showExporter.set(true);
    // The bytes travel with the request: whatever is composed while the
    // dialog is open, the file holds the composite of the moment the button
    // was pressed.
    m_saveDialog->ask(this, name, exportStartFolder(),
                      [view = QPointer<ContentView>(this),
                       document = PNGDocument{*png}](const std::optional<QString>& path) {
                          if (view)
                              view->finishExport(document, path);
                      });
}

void ContentView::finishExport(const PNGDocument& document, const std::optional<QString>& path)
{
    m_state.showExporter.set(false);
    if (!path) // cancelled: nothing else changes
        return;
    if (const std::optional<QString> error = document.writeToFile(*path)) {
        m_state.statusMsg.set(status::saveFailed(*error));
        return;
    }
    rememberExportFolder(*path);
    m_state.statusMsg.set(status::saved(QFileInfo(*path).fileName()));
}

void ContentView::closeEvent(QCloseEvent* event)
{
    m_dragFolder.reset(); // the last drag's file goes with the window
    QWidget::closeEvent(event);
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_appeared) {
        m_appeared = true;
        loadSavedSettings();
    }
}

// Saved clipping conditions.

CropPairStore& ContentView::cropPairStore()
{
    // Made on first use, after the application has named the settings store.
    if (!m_cropPairStore)
        m_cropPairStore = std::make_unique<CropPairStore>();
    return *m_cropPairStore;
}

void ContentView::saveCropPair()
{
    WindowState& s = m_state;
    const QDateTime now = QDateTime::currentDateTime();
    const auto record = cropPairToSave(s.crop1(), s.crop2(), s.background(), now);
    if (!record || !cropPairStore().write(*record))
        return;
    s.hasSavedCropPair.set(true);
    s.savedCropPairAt.set(now);
}

void ContentView::recallCropPair()
{
    WindowState& s = m_state;
    if (!s.canGenerate())
        return;
    // The flags say what the store held when last looked at; read it again.
    const auto record = cropPairStore().readSavedCropPair();
    if (!record)
        return;
    const auto c1 = clampedCrop(record->left, s.image1());
    const auto c2 = clampedCrop(record->right, s.image2());
    if (!c1 || !c2)
        return;
    // The background colour chosen now stays.
    s.crop1.set(c1);
    s.crop2.set(c2);
    refresh();
}

QString ContentView::recallButtonTitle() const
{
    return ::recallButtonTitle(m_state.hasSavedCropPair(), m_state.savedCropPairAt());
}

void ContentView::updateCropPairButtons()
{
    const WindowState& s = m_state;
    updateCropPairActionButton(m_saveCropPairButton, saveCropPairTitle, s.canSaveCropPair(), false);
    updateCropPairActionButton(m_recallCropPairButton, recallButtonTitle(), s.canRecallCropPair(),
                               s.hasSavedCropPair());
}
