#pragma once

#include "slots/SlotLoading.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <functional>

class CropEditor;
class DropArea;
class ElidedLabel;
class QLabel;
class QSlider;
class QStackedLayout;
class RoundedButton;
class WindowState;

// The panel of one image slot: title, file button, help text, the drop area
// (an invitation to drop a file, or the crop editor once an image is loaded),
// the file name, the crop status line and, for a DICOM file, its frame row
// and projection row. It is bound to slot 1 or 2 of a
// window state and calls `onChange` after every image or crop change it makes.
class DropZoneView : public QWidget {
    Q_OBJECT

public:
    static inline const QString fileButtonText = QStringLiteral("📁  ファイルを選択");
    static inline const QString helpText =
        QStringLiteral("画像の上をドラッグ → 正方形で切り出し（内側ドラッグで移動／角で拡大縮小）");
    static inline const QString dropHintText = QStringLiteral("ここにドラッグ＆ドロップ");
    static inline const QString buttonHintText = QStringLiteral("または上のボタンで選択");

    DropZoneView(WindowState& state, int slot, const QString& label, QColor accentColor,
                 std::function<void()> onChange, QWidget* parent = nullptr);

    // Asks for a file with the open dialog and starts loading it.
    void openFilePicker();
    // Loads a file as a drop on the panel does: decoded off the window's
    // thread; a file that cannot be read leaves the slot as it was, silently.
    void loadDroppedFile(const QString& path);
    // Replaces the open dialog (tests answer it themselves).
    void setOpenFileDialog(OpenFileDialog dialog) { m_openFileDialog = std::move(dialog); }

    bool isTargeted() const;
    int slot() const { return m_slot; }

    QLabel* titleLabel() const { return m_title; }
    RoundedButton* fileButton() const { return m_fileButton; }
    QLabel* helpLabel() const { return m_help; }
    DropArea* dropArea() const { return m_dropArea; }
    CropEditor* editor() const { return m_editor; }
    ElidedLabel* fileNameLabel() const { return m_fileName; }
    QLabel* cropStatusLabel() const { return m_cropStatus; }
    // The frame row (multi-frame files only) and the projection row (files
    // that state the C-arm angles only).
    QWidget* frameRow() const { return m_frameRow; }
    QSlider* frameSlider() const { return m_frameSlider; }
    QLabel* frameLabel() const { return m_frameLabel; }
    QLabel* projectionLabel() const { return m_projection; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void updateImageRows();
    void updateFileName();
    void updateCropStatus();
    void updateRunRows();

    WindowState& m_state;
    int m_slot;
    QColor m_accent;
    std::function<void()> m_onChange;
    OpenFileDialog m_openFileDialog = runOpenFileDialog;

    QLabel* m_title = nullptr;
    RoundedButton* m_fileButton = nullptr;
    QLabel* m_help = nullptr;
    DropArea* m_dropArea = nullptr;
    QStackedLayout* m_dropPages = nullptr;
    QWidget* m_emptyState = nullptr;
    CropEditor* m_editor = nullptr;
    ElidedLabel* m_fileName = nullptr;
    QLabel* m_cropStatus = nullptr;
    QWidget* m_frameRow = nullptr;
    QSlider* m_frameSlider = nullptr;
    QLabel* m_frameLabel = nullptr;
    QLabel* m_projection = nullptr;
};
