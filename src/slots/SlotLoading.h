#pragma once

#include <QString>

#include <functional>
#include <optional>

class QMimeData;
class QWidget;
class WindowState;

// The file a drag carries: its first item only, given as a file URL (the
// usual "text/uri-list" from a file manager) or as text holding a file URL or
// an absolute path. Nothing for an empty drag, or when the first item is not
// a local file (remote locations are never fetched).
std::optional<QString> droppedFileLocation(const QMimeData* mime);

// Puts the image of the file at `path` into a slot of the window state (1 or
// 2): image, file name (the last path component), no crop; then calls
// `onChange`. A file that cannot be decoded changes nothing and returns false.
bool loadImage(WindowState& state, int slot, const QString& path,
               const std::function<void()>& onChange);

// Queues loadImage() on the event loop, so that a drop returns at once. The
// queued work belongs to the window state, not to the panel that posted it.
void postLoadImage(WindowState& state, int slot, const QString& path,
                   std::function<void()> onChange);

// Asks a person for one existing image file; an empty text when cancelled.
using OpenFileDialog = std::function<QString(QWidget* parent)>;

// The open dialog: one existing PNG, JPEG, BMP, TIFF or GIF file, with Qt's
// own (translated) dialog.
QString runOpenFileDialog(QWidget* parent);
