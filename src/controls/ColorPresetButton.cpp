#include "controls/ColorPresetButton.h"

#include "controls/BorderColorBinding.h"
#include "state/WindowState.h"
#include "ui/RoundedButton.h"
#include "ui/Theme.h"

const QList<ColorPreset>& colorPresets()
{
    static const QList<ColorPreset> presets{
        {QStringLiteral("透明"), {0, 0, 0, 0}},
        {QStringLiteral("白"), {255, 255, 255, 255}},
        {QStringLiteral("黄緑"), {204, 255, 204, 255}},
    };
    return presets;
}

RoundedButton* colorPresetButton(WindowState& state, const QString& title, qint64 red, qint64 green,
                                 qint64 blue, qint64 alpha, QWidget* parent)
{
    auto* button = new RoundedButton(title, parent);
    button->setLook(RoundedButton::plainLook(10, QFont::Medium, QMargins(11, 8, 11, 8)));
    const ColorComponents color{red, green, blue, alpha};
    QObject::connect(button, &RoundedButton::clicked, button,
                     [&state, color] { borderColorBinding::setComponents(state, color); });
    return button;
}

RoundedButton* colorPresetButton(WindowState& state, const ColorPreset& preset, QWidget* parent)
{
    const ColorComponents& c = preset.color;
    return colorPresetButton(state, preset.title, c.red, c.green, c.blue, c.alpha, parent);
}
