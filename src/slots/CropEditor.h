#pragma once

#include "slots/CropCanvasView.h"
#include "slots/CropDrag.h"
#include "slots/CropGeometry.h"

#include <QColor>
#include <QWidget>

#include <functional>

class HoverCursor;
class WindowState;

// The crop editor of one slot: shows the slot's image with its crop and lets
// the mouse draw, move and resize the square. The whole widget is the hit
// area; the decisions are CropDragController's, this widget only maps events.
// It takes focus (Tab or a click), shows it with a ring in the slot's accent
// colour, and then edits the crop by keys (cropAfterKey()).
class CropEditor : public QWidget {
    Q_OBJECT

public:
    CropEditor(WindowState& state, int slot, QColor accent, std::function<void()> onChange,
               QWidget* parent = nullptr);

    // The geometry of the current layout (image fitted into the widget).
    EditorGeometry editorGeometry() const;

    // Called with +1 for Page Down and -1 for Page Up while the editor has
    // focus: the slot steps through its frames.
    void setFrameStep(std::function<void(int)> step) { m_frameStep = std::move(step); }
    DragMode dragMode() const { return m_drag.dragMode(); }
    QPointF dragAnchor() const { return m_drag.dragAnchor(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void dragTo(QPointF current);
    void finishDrag();

    WindowState& m_state;
    int m_slot;
    QColor m_accent;
    std::function<void()> m_onChange;
    std::function<void(int)> m_frameStep;
    CropDragController m_drag;
    QPointF m_dragStart;
    QPointF m_lastPoint;
    ScaledImage m_scaled;
    std::optional<QRectF> m_shownCrop; // the crop the last repaint asked for shows
    HoverCursor* m_hover;
};
