#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QDrag;
class QMenu;
class QMimeData;
class QTemporaryDir;
class QWidget;

// The composite as it leaves the window for another program: the PNG bytes
// the save button writes (as "image/png"), the image itself (so that programs
// which take only Qt's or the desktop's own picture types paste it too) and,
// for a drag, the location of that PNG as a file.
QMimeData* compositeMimeData(const QByteArray& png, const QImage& image,
                             const QString& pngFile = QString());

// Writes the PNG of a drag into a new folder only the user can read, under
// `name`; the folder goes when the holder is reset or destroyed. Nothing when
// the file cannot be written (the drag then carries the picture alone).
std::optional<QString> writeDragFile(std::unique_ptr<QTemporaryDir>& folder, const QString& name,
                                     const QByteArray& png);

// Runs a drag until it is dropped or abandoned. Tests put their own in place.
using DragRunner = std::function<void(QDrag& drag)>;
void runDrag(QDrag& drag);

// The preview's context menu: dark, rounded, in the window's fonts.
void styleAsCardMenu(QMenu& menu);
