#pragma once

#include "state/BackgroundColor.h"

#include <QColor>
#include <QLocale>
#include <QString>

#include <optional>

// A unit component (nominally 0 to 1) times 255, rounded to the nearest whole
// number with halves away from zero. Values outside 0 to 1 give values outside
// 0 to 255 (the component fields clamp them); a value that is not a finite
// number gives nothing.
std::optional<qint64> componentFromUnit(double unit);

// The components of a colour as the colour chooser reports it: converted to
// sRGB, each unit component through componentFromUnit. An invalid colour, or
// one with a component that is not a number, gives nothing. An extended-range
// colour keeps components outside 0 to 1.
std::optional<BackgroundColor> componentsFromColor(const QColor& color);

// The colour the components stand for: each divided by 255, in sRGB. A value
// outside 0 to 255, which lives only until the component field clamps it, is
// shown as the nearest value within.
QColor colorFromComponents(const BackgroundColor& c);

// The caption of the background colour: "#RRGGBB  A=alpha", with the name
// "黄緑  " in front for the default light green (204, 255, 204, 255).
QString colorCaption(const BackgroundColor& c);

// The value a component field writes back after its value became v: 0 below
// the range, 255 above it, nothing for a value already within 0 to 255.
std::optional<qint64> clampCorrection(qint64 v);

// A component as a whole number written for the locale.
QString formatComponent(qint64 v, const QLocale& locale);

// A whole number typed into a component field, read in the locale; plain
// decimal digits with an optional sign are read whatever the locale. A plain
// number too long to hold gives the largest or smallest value, which the
// clamp turns into 255 or 0. Anything else gives nothing.
std::optional<qint64> parseComponent(const QString& text, const QLocale& locale);
