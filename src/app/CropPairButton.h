#pragma once

#include "ui/RoundedButton.h"

#include <functional>

// The buttons that save and recall the clipping conditions.
inline const QString saveCropPairTitle = QStringLiteral("クリッピング条件を保存");

// The help text shown over a clipping-condition button with this title.
QString cropPairButtonHelp(const QString& title);

// The look of a clipping-condition button: plain, or highlighted in green with
// a glow. Both reserve the same room for the glow, so switching does not move
// the buttons around it.
RoundedButton::Look cropPairButtonLook(bool highlighted);

// A clipping-condition button running `action` when clicked while enabled.
RoundedButton* cropPairActionButton(const QString& title, bool enabled, bool highlighted,
                                    std::function<void()> action, QWidget* parent = nullptr);

// Brings a button made by cropPairActionButton() up to date.
void updateCropPairActionButton(RoundedButton* button, const QString& title, bool enabled,
                                bool highlighted);
