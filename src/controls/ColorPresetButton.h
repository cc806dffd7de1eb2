#pragma once

#include "state/BackgroundColor.h"

#include <QList>
#include <QString>

class RoundedButton;
class WindowState;
class QWidget;

// A named background colour offered as a one-click choice.
struct ColorPreset {
    QString title;
    BackgroundColor color;
};

// The presets in the order shown: "透明", "白", "黄緑".
const QList<ColorPreset>& colorPresets();

// A plain rounded button titled with the preset's name that sets borderR,
// borderG, borderB and borderA of the state to its colour, in that order.
RoundedButton* colorPresetButton(WindowState& state, const ColorPreset& preset,
                                 QWidget* parent = nullptr);
