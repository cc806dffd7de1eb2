#pragma once

#include "slots/CropGeometry.h"

#include <QPointF>
#include <QRectF>

#include <optional>

// What the current drag on the crop editor does.
enum class DragMode {
    None,   // no drag in progress
    New,    // drawing a new square from a fixed start point
    Move,   // translating the existing square
    Resize, // redrawing the square from the fixed opposite corner
};

// A new square narrower than this many image pixels is dropped on release.
constexpr double minimumNewCropWidth = 8;

// The drag on the crop editor, free of widgets: it turns the drag's start and
// current locations (view points) into the slot's next crop (image pixels).
class CropDragController {
public:
    // One step of a drag, the first included (start == current on a press).
    // The first step decides, from where the drag started, whether it resizes
    // (a corner zone), moves (inside the crop) or draws a new square.
    // Returns the crop to store.
    std::optional<QRectF> change(const EditorGeometry& geometry, const std::optional<QRectF>& crop,
                                 QPointF start, QPointF current);

    // The release: a new square that is too narrow is removed, any other crop
    // snaps outwards to whole pixels. Returns the crop to store.
    std::optional<QRectF> end(const std::optional<QRectF>& crop);

    DragMode dragMode() const { return m_dragMode; }
    QPointF dragAnchor() const { return m_dragAnchor; }

private:
    DragMode m_dragMode = DragMode::None;
    QPointF m_dragAnchor;   // fixed point of New and Resize; start point of Move
    QRectF m_dragStartCrop; // the crop as a Move began
};
