#include "slots/CropEditor.h"

#include "compose/Geometry.h"
#include "slots/HoverCursor.h"
#include "state/WindowState.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

CropEditor::CropEditor(WindowState& state, int slot, QColor accent, std::function<void()> onChange,
                       QWidget* parent)
    : QWidget(parent), m_state(state), m_slot(slot), m_accent(accent),
      m_onChange(std::move(onChange))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::ClickFocus);
    m_hover = new HoverCursor(
        this, [this](QPointF p) { return cursorFor(editorGeometry(), m_state.crop(m_slot), p); });
    const auto cropChanged = slot == 1 ? &WindowState::crop1Changed : &WindowState::crop2Changed;
    const auto imageChanged = slot == 1 ? &WindowState::image1Changed : &WindowState::image2Changed;
    // A moving square repaints only where it was and where it is now.
    m_shownCrop = state.crop(slot);
    connect(&state, cropChanged, this, [this] {
        const std::optional<QRectF>& crop = m_state.crop(m_slot);
        update(changedArea(QSizeF(size()), pixelSize(m_state.image(m_slot)), m_shownCrop, crop)
                   .toAlignedRect());
        m_shownCrop = crop;
    });
    connect(&state, imageChanged, this, [this] {
        m_shownCrop = m_state.crop(m_slot);
        update();
    });
}

EditorGeometry CropEditor::editorGeometry() const
{
    return EditorGeometry::of(pixelSize(m_state.image(m_slot)), QSizeF(size()));
}

void CropEditor::paintEvent(QPaintEvent*)
{
    const QImage& image = m_state.image(m_slot);
    QPainter p(this);
    CropCanvasView{image, pixelSize(image), m_state.crop(m_slot), m_accent}.draw(p, size(),
                                                                                 &m_scaled);
}

void CropEditor::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_drag.dragMode() != DragMode::None) {
        event->ignore();
        return;
    }
    // A press is already the first step of the drag: a click without
    // movement still draws (and, on release, discards) a one-pixel square.
    m_dragStart = event->position();
    dragTo(m_dragStart);
}

void CropEditor::mouseMoveEvent(QMouseEvent* event)
{
    if (m_drag.dragMode() == DragMode::None)
        return;
    if (!(event->buttons() & Qt::LeftButton)) {
        // The release went elsewhere (another window took the mouse).
        finishDrag();
        return;
    }
    dragTo(event->position());
}

void CropEditor::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_drag.dragMode() == DragMode::None)
        return;
    if (event->position() != m_lastPoint)
        dragTo(event->position());
    finishDrag();
    m_hover->pointAt(event->position());
}

void CropEditor::hideEvent(QHideEvent* event)
{
    if (m_drag.dragMode() != DragMode::None)
        finishDrag();
    QWidget::hideEvent(event);
}

void CropEditor::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (m_frameStep && (key == Qt::Key_PageDown || key == Qt::Key_PageUp) &&
        event->modifiers() == Qt::NoModifier) {
        m_frameStep(key == Qt::Key_PageDown ? 1 : -1);
        return;
    }
    QWidget::keyPressEvent(event);
}

void CropEditor::dragTo(QPointF current)
{
    m_lastPoint = current;
    m_state.setCrop(m_slot,
                    m_drag.change(editorGeometry(), m_state.crop(m_slot), m_dragStart, current));
    if (m_onChange)
        m_onChange();
}

void CropEditor::finishDrag()
{
    m_state.setCrop(m_slot, m_drag.end(m_state.crop(m_slot)));
    if (m_onChange)
        m_onChange();
}
