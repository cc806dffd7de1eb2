#include "imaging/Projection.h"

#include <cmath>

namespace {
// Whole degrees, half away from zero; a rounded -0 counts as 0.
long wholeDegrees(double angle)
{
    return std::lround(angle);
}
} // namespace

ProjectionSide projectionSide(const Projection& projection)
{
    const long primary = wholeDegrees(projection.primary);
    if (primary < 0)
        return ProjectionSide::RightAnterior;
    if (primary > 0)
        return ProjectionSide::LeftAnterior;
    return ProjectionSide::Frontal;
}

QString projectionText(const Projection& projection)
{
    const long primary = wholeDegrees(projection.primary);
    const long secondary = wholeDegrees(projection.secondary);
    QString text;
    if (primary < 0)
        text = QStringLiteral("RAO %1°").arg(-primary);
    else if (primary > 0)
        text = QStringLiteral("LAO %1°").arg(primary);
    else
        text = QStringLiteral("AP");
    if (secondary > 0)
        text += QStringLiteral("  CRA %1°").arg(secondary);
    else if (secondary < 0)
        text += QStringLiteral("  CAU %1°").arg(-secondary);
    return text;
}

ProjectionRow projectionRow(const Projection& projection, int slot)
{
    ProjectionRow row{projectionText(projection), false};
    const ProjectionSide side = projectionSide(projection);
    if (slot == 1 && side == ProjectionSide::LeftAnterior) {
        row.text += QStringLiteral("（この欄は RAO）");
        row.mismatch = true;
    } else if (slot == 2 && side == ProjectionSide::RightAnterior) {
        row.text += QStringLiteral("（この欄は LAO）");
        row.mismatch = true;
    }
    return row;
}
