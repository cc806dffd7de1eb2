#pragma once

#include "controls/ColorRules.h"

#include <QColor>

class WindowState;

// The canvas background colour as one colour, computed from and written to the
// four components of the window state. It holds nothing of its own.
namespace borderColorBinding {

// The four components as the window state holds them.
ColorComponents components(const WindowState& state);

// Sets borderR, borderG, borderB and borderA, in that order, each store a
// change of its own.
void setComponents(WindowState& state, const ColorComponents& c);

// The colour of the four components, each divided by 255, in sRGB.
QColor read(const WindowState& state);

// Writes a colour the user chose: converted to sRGB, each component times 255
// rounded with halves away from zero, stored R, G, B, A in order. A colour
// that cannot be converted changes nothing; the result says whether it was
// written.
bool write(WindowState& state, const QColor& color);

} // namespace borderColorBinding
