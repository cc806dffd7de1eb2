#pragma once

#include <QColor>
#include <QStringView>

// A colour made from hexadecimal text. Components are doubles of the sRGB
// byte value divided by 255; red can exceed 1 for texts longer than six digits.
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    Color() = default;
    // Reads six hex digits "rrggbb" (a leading '#', 0x or surrounding
    // non-alphanumeric characters are ignored). It never fails: unreadable
    // text gives opaque black.
    explicit Color(QStringView hex);

    QColor toQColor() const;
    // The same colour at the given opacity.
    QColor withOpacity(double opacity) const;
};

// The fixed dark theme.
inline const Color cBgDark{u"0f1117"};
inline const Color cBgCard{u"1e2130"};
inline const Color cBgSec{u"1a1d27"};
inline const Color cAccent{u"4f8ef7"};
inline const Color cAccent2{u"7c6af7"};
inline const Color cSuccess{u"34d399"};
inline const Color cTextPri{u"e8eaf2"};
inline const Color cTextSec{u"8b90a7"};
// Text that warns, such as a projection in the wrong slot.
inline const Color cWarning{u"fbbf24"};

// White or black at an opacity, for outlines, dimming and overlays.
inline QColor whiteAt(double opacity)
{
    return QColor::fromRgbF(1, 1, 1, float(opacity));
}
inline QColor blackAt(double opacity)
{
    return QColor::fromRgbF(0, 0, 0, float(opacity));
}
// `c` with its opacity multiplied by `opacity`.
inline QColor atOpacity(QColor c, double opacity)
{
    c.setAlphaF(float(c.alphaF() * opacity));
    return c;
}
