#pragma once

#include <QtGlobal>

// The canvas background colour: red, green, blue and alpha as whole numbers
// meant to lie within 0 to 255 (a component the user typed may lie outside
// until its field clamps it). A colour made without values is the light green
// every window starts with.
struct BackgroundColor {
    qint64 red = 204;
    qint64 green = 255;
    qint64 blue = 204;
    qint64 alpha = 255;

    friend bool operator==(const BackgroundColor&, const BackgroundColor&) = default;
};
