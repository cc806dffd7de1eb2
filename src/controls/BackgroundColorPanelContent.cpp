#include "controls/BackgroundColorPanelContent.h"

#include "controls/ColorComponentField.h"
#include "controls/ColorPickerButton.h"
#include "controls/ColorPresetButton.h"
#include "controls/ColorRules.h"
#include "state/WindowState.h"
#include "ui/RoundedButton.h"
#include "ui/TextStyle.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace {

// The short vertical line between the presets and the component fields.
class VerticalDivider : public QWidget {
public:
    explicit VerticalDivider(QWidget* parent) : QWidget(parent) { setFixedSize(1, 34); }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), whiteAt(0.08)); }
};

} // namespace

BackgroundColorPanelContent::BackgroundColorPanelContent(WindowState& state, QWidget* parent)
    : QWidget(parent), m_state(state)
{
    const QColor secondary = cTextSec.toQColor();

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    m_heading = styledLabel(heading, systemFontAt(11, QFont::Bold), secondary, this);
    m_picker = new ColorPickerButton(state, this);
    m_caption = styledLabel(QString(), monospacedFontAt(11), secondary, this);
    header->addWidget(m_heading, 0, Qt::AlignVCenter);
    header->addWidget(m_picker, 0, Qt::AlignVCenter);
    header->addStretch(1);
    header->addWidget(m_caption, 0, Qt::AlignVCenter);

    auto* presets = new QHBoxLayout;
    presets->setSpacing(8);
    for (const ColorPreset& preset : colorPresets()) {
        RoundedButton* button = colorPresetButton(state, preset, this);
        m_presets.append(button);
        presets->addWidget(button, 0, Qt::AlignBottom);
    }
    presets->addWidget(new VerticalDivider(this), 0, Qt::AlignBottom);
    const std::pair<QString, WindowState::Component*> components[] = {
        {QStringLiteral("R（0–255）"), &state.borderR},
        {QStringLiteral("G（0–255）"), &state.borderG},
        {QStringLiteral("B（0–255）"), &state.borderB},
        {QStringLiteral("A（0=透明）"), &state.borderA},
    };
    for (const auto& [label, component] : components) {
        auto* field = new ColorComponentField(label, *component, this);
        m_fields.append(field);
        presets->addWidget(field, 1, Qt::AlignBottom);
        connect(&state, component->changed(), this, &BackgroundColorPanelContent::updateCaption);
    }

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(10);
    rows->addLayout(header);
    rows->addLayout(presets);

    updateCaption();
}

void BackgroundColorPanelContent::updateCaption()
{
    m_caption->setText(colorCaption(m_state.background()));
}
