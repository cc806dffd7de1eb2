#pragma once

#include "imaging/PictureSource.h"

#include <QFile>
#include <QString>

#include <memory>

// Whether the file at `path` says by its content that it is DICOM: "DICM"
// after the 128-byte preamble, or a dataset from its first byte.
bool looksLikeDicom(const QString& path);

// Opens a DICOM file as a picture source. Refused (nothing) before any pixel
// memory is taken when the file holds no pixel data, is cut off or malformed,
// uses an encoding that cannot be decoded here (JPEG 2000, video), declares a
// frame beyond the image limit, or a frame count its pixel data cannot hold.
// Grey pictures go through the modality transform and the first stored VOI
// window (or VOI LUT; else a window over the frame's own range) to 8-bit grey,
// MONOCHROME1 inverted; colour pictures become RGB.
std::shared_ptr<PictureSource> openDicomPicture(const QString& path);
// The same for a file already opened (see openRegularFile()): the run reads
// that file only, whatever its name points to later.
std::shared_ptr<PictureSource> openDicomPicture(std::unique_ptr<QFile> opened);

// Registers the DICOM decoders (RLE, JPEG, JPEG-LS) and silences the DICOM
// library's log. Runs once; openDicomPicture() calls it itself.
void prepareDicomDecoding();
