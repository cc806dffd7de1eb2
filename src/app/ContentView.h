#pragma once

#include "app/CompositeTransfer.h"
#include "app/SaveDialog.h"
#include "compose/Composition.h"
#include "state/PNGDocument.h"
#include "state/WindowState.h"

#include <QWidget>

#include <memory>
#include <optional>

class CropPairStore;
class QAction;
class QMenu;
class QTemporaryDir;
class DropZoneView;
class QLabel;
class QScrollArea;
class ResultPreview;
class RoundedButton;

// One Pairvue window: owns the window state, lays it out and runs the actions.
class ContentView : public QWidget {
    Q_OBJECT

public:
    explicit ContentView(QWidget* parent = nullptr);
    ~ContentView() override;

    WindowState& state() { return m_state; }
    const WindowState& state() const { return m_state; }

    // Rebuilds the composite from the current images, crops and parameters.
    void refresh();
    // Loads the first file into slot 1 and the second into slot 2, each as a
    // drop on that slot would.
    void openFiles(const QStringList& files);
    // Removes both images, their crops and the composite.
    void clearImages();
    // Restores what the settings store holds; runs once when the window first shows.
    void loadSavedSettings();
    // Encodes the composite as PNG and asks where to save it.
    void save();
    // Replaces the save dialog, so that tests can answer it.
    void setSaveDialog(std::unique_ptr<SaveDialog> dialog);

    // Puts the composite on the clipboard (Ctrl+C, or the preview's menu):
    // the saved file's PNG bytes and the image. Without a composite, nothing.
    void copyComposite();
    // Drags the composite out of the window, with a PNG file of the name a
    // save would propose; the file lives until the next drag or the window
    // closes.
    void dragComposite();
    // Replaces the drag's event loop, so that tests can see what it carries.
    void setDragRunner(DragRunner runner);
    // The preview's context menu, made for each right click.
    QMenu* makePreviewMenu();

    // Stores both crops (as whole pixels) and the background colour.
    void saveCropPair();
    // Applies the stored crops, fitted into the loaded images, and recomposes.
    void recallCropPair();
    QString recallButtonTitle() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

public:
    // The parts of the window, for tests and accessibility tools.
    DropZoneView* slotPanel(int slot) const { return slot == 1 ? m_slot1 : m_slot2; }
    QWidget* resultPanel() const { return m_resultPanel; }
    ResultPreview* preview() const { return m_preview; }
    QWidget* statusLine() const { return m_statusLine; }
    QLabel* statusLabel() const { return m_statusLabel; }
    RoundedButton* saveButton() const { return m_saveButton; }
    RoundedButton* clearButton() const { return m_clearButton; }
    RoundedButton* saveCropPairButton() const { return m_saveCropPairButton; }
    RoundedButton* recallCropPairButton() const { return m_recallCropPairButton; }
    QScrollArea* scrollArea() const { return m_scrollArea; }

private:
    void buildLayout();
    QWidget* makeHeaderBand();
    QWidget* makeResultPanel();
    QWidget* makeStatusLine();
    QWidget* makeCard(QWidget* content);
    void updateSections();
    void connectChangeHandlers();
    void connectTransfer();
    void finishExport(const PNGDocument& document, const std::optional<QString>& path);
    void updateCropPairButtons();
    CropPairStore& cropPairStore();

    WindowState m_state;
    Compositor m_compositor;
    bool m_appeared = false;
    std::unique_ptr<SaveDialog> m_saveDialog = std::make_unique<PngSaveDialog>();
    std::unique_ptr<CropPairStore> m_cropPairStore;
    QAction* m_copyAction = nullptr;
    DragRunner m_runDrag = runDrag;
    std::unique_ptr<QTemporaryDir> m_dragFolder;

    QScrollArea* m_scrollArea = nullptr;
    DropZoneView* m_slot1 = nullptr;
    DropZoneView* m_slot2 = nullptr;
    QWidget* m_resultPanel = nullptr;
    ResultPreview* m_preview = nullptr;
    QWidget* m_statusLine = nullptr;
    QLabel* m_statusLabel = nullptr;
    RoundedButton* m_saveButton = nullptr;
    RoundedButton* m_clearButton = nullptr;
    RoundedButton* m_saveCropPairButton = nullptr;
    RoundedButton* m_recallCropPairButton = nullptr;
};
