#include "controls/ColorPresetButton.h"

#include "state/WindowState.h"
#include "ui/RoundedButton.h"
#include "ui/Theme.h"

const QList<ColorPreset>& colorPresets()
{
    static const QList<ColorPreset> presets{
        {QStringLiteral("透明"), {0, 0, 0, 0}},
        {QStringLiteral("白"), {255, 255, 255, 255}},
        {QStringLiteral("黄緑"), BackgroundColor()},
    };
    return presets;
}

RoundedButton* colorPresetButton(WindowState& state, const ColorPreset& preset, QWidget* parent)
{
    auto* button = new RoundedButton(preset.title, parent);
    button->setLook(RoundedButton::plainLook(10, QFont::Medium, QMargins(11, 8, 11, 8)));
    QObject::connect(button, &RoundedButton::clicked, button,
                     [&state, color = preset.color] { state.setBackground(color); });
    return button;
}
