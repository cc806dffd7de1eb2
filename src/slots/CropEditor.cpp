#include "slots/CropEditor.h"

#include "compose/Geometry.h"
#include "slots/HoverCursor.h"
#include "state/WindowState.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
constexpr double focusRingWidth = 2;
constexpr double focusRingRadius = 6;
} // namespace

CropEditor::CropEditor(WindowState& state, int slot, QColor accent, std::function<void()> onChange,
                       QWidget* parent)
    : QWidget(parent), m_state(state), m_slot(slot), m_accent(accent),
      m_onChange(std::move(onChange))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::StrongFocus);
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
    if (hasFocus()) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(m_accent, focusRingWidth));
        p.setBrush(Qt::NoBrush);
        const double inset = focusRingWidth / 2;
        p.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), focusRingRadius,
                          focusRingRadius);
    }
}

void CropEditor::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (m_frameStep && (key == Qt::Key_PageDown || key == Qt::Key_PageUp) &&
        event->modifiers() == Qt::NoModifier) {
        m_frameStep(key == Qt::Key_PageDown ? 1 : -1);
        return;
    }
    const QImage& image = m_state.image(m_slot);
    const std::optional<CropKeyEdit> edit =
        cropAfterKey(m_state.crop(m_slot), pixelSize(image), key, event->modifiers());
    if (!edit) {
        QWidget::keyPressEvent(event); // not the crop's: Tab, shortcuts...
        return;
    }
    event->accept();
    // The mouse has the crop while it drags; a key that changes nothing (an
    // arrow held against the edge) costs nothing.
    if (m_drag.dragMode() != DragMode::None || edit->crop == m_state.crop(m_slot))
        return;
    // A key is a whole drag: the crop lands on whole pixels and the window
    // recomposes once.
    m_state.setCrop(m_slot, edit->crop);
    if (m_onChange)
        m_onChange();
}

void CropEditor::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void CropEditor::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
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
