#pragma once

#include "imaging/Projection.h"

#include <QImage>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// One opened picture file, the same way for every kind: a still image is a
// source of one frame; a DICOM cine run has many, decoded on demand.
//
// frame(), readyFrame() and prefetch() may be called from any thread;
// everything else is fixed when the source is opened. A source holds
// nothing of the patient: only the pixels, the frame count and the angles.
class PictureSource {
public:
    virtual ~PictureSource() = default;

    // At least 1.
    virtual int frameCount() const = 0;
    // The frame to show first (0-based): a DICOM file's Representative Frame
    // Number when it holds a valid one, else the middle frame ⌊(n − 1) / 2⌋.
    virtual int initialFrame() const = 0;
    // The frame `index` (0-based) as a displayable picture: 8-bit grey
    // (QImage::Format_Grayscale8) for grey DICOM pictures, RGB for colour.
    // Nothing when the index is out of range or the frame cannot be decoded.
    virtual std::optional<QImage> frame(int index) = 0;
    // The frame `index` when it is decoded already; never decodes, never waits.
    virtual std::optional<QImage> readyFrame(int index) = 0;
    // Decodes `frames` in the background, in that order, into the decoded
    // frames kept, so that asking for one of them soon finds it ready. It
    // replaces the frames wanted before. A frame asked for through frame()
    // never waits for them: it is decoded beside them, and frames still
    // wanted are started only once it is done. A still picture has nothing
    // to do.
    virtual void prefetch(const std::vector<int>& frames) { Q_UNUSED(frames); }
    // The C-arm angles, when the file states both.
    virtual std::optional<Projection> projection() const { return std::nullopt; }
};

// The decoded frames a DICOM source keeps, at most, per run (least recently
// used frames are dropped first), those decoded ahead included.
constexpr qint64 frameCacheBytes = qint64(256) << 20;

// Opens the picture file at `path`: an image file (PNG, JPEG, BMP, TIFF, GIF)
// or a DICOM file, recognised by content, not by name. Nothing when the file
// is neither, is broken, cut off, too large, holds no picture or uses an
// encoding that cannot be decoded. The first frame to show has been decoded
// once when this returns a source, so a refused file never looks loaded.
std::shared_ptr<PictureSource> openPictureSource(const QString& path);
