#pragma once

#include "app/WindowState.h"
#include "compose/Composition.h"
#include "compose/PNGDocument.h"
#include "compose/SaveDialog.h"

#include <QWidget>

#include <memory>
#include <optional>


class CropPairStore;
class QBoxLayout;
class QLabel;
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
    // Removes both images, their crops and the composite.
    void clearImages();
    // Restores what the settings store holds; runs once when the window first shows.
    void loadSavedSettings();
    // Encodes the composite as PNG and asks where to save it.
    void save();
    // Replaces the save dialog, so that tests can answer it.
    void setSaveDialog(std::unique_ptr<SaveDialog> dialog);

    // Stores both crops (as whole pixels) and the background colour.
    void saveCropPair();
    // Applies the stored crops, fitted into the loaded images, and recomposes.
    void recallCropPair();
    QString recallButtonTitle() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void connectChangeHandlers();
    void updateStatusLine();
    QWidget* makeSaveButton();
    void finishExport(const PNGDocument& document, const std::optional<QString>& path);
    void setUpCropPairButtons(QBoxLayout* layout);
    void updateCropPairButtons();
    CropPairStore& cropPairStore();

    WindowState m_state;
    Compositor m_compositor;
    bool m_appeared = false;
    QLabel* m_statusLabel = nullptr;
    std::unique_ptr<SaveDialog> m_saveDialog = std::make_unique<PngSaveDialog>();
    RoundedButton* m_saveButton = nullptr;
    std::unique_ptr<CropPairStore> m_cropPairStore;
    RoundedButton* m_saveCropPairButton = nullptr;
    RoundedButton* m_recallCropPairButton = nullptr;
};
