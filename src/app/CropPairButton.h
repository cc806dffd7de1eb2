#pragma once

#include "ui/RoundedButton.h"

#include <functional>

// The buttons that save and recall the clipping conditions.
inline const QString saveCropPairTitle = QStringLiteral("クリッピング条件を保存");

// What a clipping-condition button does.
enum class CropPairAction { Save, Recall };

// The help text shown over the button of `action`.
QString cropPairButtonHelp(CropPairAction action);

// The look of a clipping-condition button: plain, or highlighted in green with
// a glow. Both reserve the same room for the glow, so switching does not move
// the buttons around it.
RoundedButton::Look cropPairButtonLook(bool highlighted);

// The button of `action`, running `run` when clicked while enabled.
RoundedButton* cropPairActionButton(CropPairAction action, const QString& title, bool enabled,
                                    bool highlighted, std::function<void()> run,
                                    QWidget* parent = nullptr);

// Brings a button made by cropPairActionButton() up to date.
void updateCropPairActionButton(RoundedButton* button, const QString& title, bool enabled,
                                bool highlighted);
