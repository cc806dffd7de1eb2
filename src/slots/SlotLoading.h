#pragma once

#include <QString>

#include <functional>
#include <optional>

class QMimeData;
class QWidget;
class WindowState;

// The most bytes of a drop payload looked at: the first location must stand
// within them.
constexpr qsizetype maxDropScanBytes = 64 * 1024;

// The file a drag carries: its first item only, given as a file URL (the
// usual "text/uri-list" from a file manager) or as text holding a file URL or
// an absolute path. Nothing for an empty drag, or when the first item is not
// a local file (remote locations are never fetched). Work and memory are
// bounded whatever the payload.
std::optional<QString> droppedFileLocation(const QMimeData* mime);

// Loads the picture of the file at `path` (an image or a DICOM file, opened
// through openPictureSource) into a slot of the window state (1 or 2) without
// holding up the window: the file is opened and its first frame decoded on a
// worker thread, and the slot stays as it was until the picture is ready. Then
// the file becomes the slot's run (SlotRun), its first frame the image, and
// file name (the last path component) and no crop are set, and `onChange` is
// called. A file that cannot be decoded changes nothing.
//
// Every load of a slot gets a ticket; a picture is shown only if its ticket is
// newer than the one the slot shows, so the latest choice wins and a refused
// latest choice leaves the one before. The loads belong to the window state:
// when it is destroyed, pictures still being decoded are dropped unseen.
void loadImage(WindowState& state, int slot, const QString& path, std::function<void()> onChange);

// Asks a person for one existing image file; an empty text when cancelled.
using OpenFileDialog = std::function<QString(QWidget* parent)>;

// The open dialog: one existing PNG, JPEG, BMP, TIFF, GIF or DICOM file (or
// any file, through a second filter), with Qt's own (translated) dialog.
QString runOpenFileDialog(QWidget* parent);
