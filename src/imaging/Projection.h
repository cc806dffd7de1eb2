#pragma once

#include <QString>

#include <optional>

// The C-arm's position for a picture: Positioner Primary Angle (negative on
// the patient's right, RAO; positive on the left, LAO) and Positioner
// Secondary Angle (positive cranial, negative caudal), in degrees.
struct Projection {
    double primary = 0;
    double secondary = 0;
};

// Which side the primary angle looks from, after rounding to whole degrees.
enum class ProjectionSide { Frontal, RightAnterior, LeftAnterior };
ProjectionSide projectionSide(const Projection& projection);

// The projection as a user reads it: "RAO 30°  CRA 20°", "LAO 45°  CAU 25°",
// "AP". Each angle is rounded half away from zero to whole degrees; a
// secondary angle of 0 is left out; two spaces separate the parts.
QString projectionText(const Projection& projection);

// The projection row of slot 1 (meant for RAO) or 2 (meant for LAO): the
// angles, followed by "（この欄は RAO）" or "（この欄は LAO）" when the picture
// was taken from the other side. `mismatch` tells whether that warning is on.
struct ProjectionRow {
    QString text;
    bool mismatch = false;
};
ProjectionRow projectionRow(const Projection& projection, int slot);
