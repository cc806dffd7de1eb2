#pragma once

#include "controls/ColorRules.h"

#include <QList>
#include <QString>

class RoundedButton;
class WindowState;
class QWidget;

// A named background colour offered as a one-click choice.
struct ColorPreset {
    QString title;
    ColorComponents color;
};

// The presets in the order shown: "透明", "白", "黄緑".
const QList<ColorPreset>& colorPresets();

// A plain rounded button titled `title` that sets borderR, borderG, borderB and
// borderA of the state to the four values, in that order.
RoundedButton* colorPresetButton(WindowState& state, const QString& title, qint64 red, qint64 green,
                                 qint64 blue, qint64 alpha, QWidget* parent = nullptr);
RoundedButton* colorPresetButton(WindowState& state, const ColorPreset& preset,
                                 QWidget* parent = nullptr);
