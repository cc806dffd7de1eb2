#pragma once

#include <QByteArray>
#include <QtGlobal>

// A walk over the element headers of a DICOM file before the DICOM library
// parses it. The library follows nested sequences without a depth limit and
// inflates a deflated dataset without a size limit; this walk refuses such
// files first, and any file whose element lengths run past its end.

// Sequences nested deeper than this are refused (real files nest a handful).
constexpr int maxDicomNesting = 32;
// A deflated dataset may inflate to at most this many bytes.
constexpr qint64 maxInflatedDicomBytes = qint64(256) << 20;

enum class DicomStructure {
    NotDicom, // neither "DICM" at 128 nor a dataset at the start
    Refused,  // DICOM, but cut off, malformed, nested too deep or inflating too far
    Sound,    // every element header fits; the library may parse it
};

struct DicomWalk {
    DicomStructure verdict = DicomStructure::NotDicom;
    QByteArray transferSyntax; // from the meta header; empty without one
    bool pixelData = false;    // (7FE0,0010) at the top level
};

// Walks the `size` bytes of a whole file.
DicomWalk walkDicomStructure(const uchar* data, qint64 size);
