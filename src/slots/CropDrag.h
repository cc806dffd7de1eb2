#pragma once

#include "slots/CropGeometry.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <Qt>

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

// The crop moved by `by` image pixels and kept inside an image of `px`
// pixels: a drag's move and an arrow key alike.
QRectF movedInside(const QRectF& crop, QSizeF px, QPointF by);

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

// The crop after one key on the focused editor, for an image of `px` pixels;
// nothing when the key does nothing there. With a crop: an arrow moves it one
// pixel (Shift: ten), kept inside the image as a mouse move keeps it; + or =
// grows and - or _ shrinks it by two pixels about its centre (Shift: twenty),
// inside the image and never below 8 pixels by shrinking; Delete or Backspace
// removes it. Without a crop: Enter makes the largest centred square. The
// result is in whole pixels, as at the end of a drag.
struct CropKeyEdit {
    std::optional<QRectF> crop; // absent: removed
};
std::optional<CropKeyEdit> cropAfterKey(const std::optional<QRectF>& crop, QSizeF px, int key,
                                        Qt::KeyboardModifiers modifiers);
