#include "controls/ParameterPanelContent.h"

#include "controls/ParamField.h"
#include "state/WindowState.h"
#include "ui/TextStyle.h"
#include "ui/Theme.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

ParameterPanelContent::ParameterPanelContent(WindowState& state, QWidget* parent) : QWidget(parent)
{
    const std::pair<QString, WindowState::Text*> rows[2][3] = {
        {
            {QStringLiteral("キャンバス幅"), &state.canvasW},
            {QStringLiteral("キャンバス高さ"), &state.canvasH},
            {QStringLiteral("画像サイズ"), &state.imgSize},
        },
        {
            {QStringLiteral("画像1 (RAO) 中心X"), &state.cx1},
            {QStringLiteral("画像2 (LAO) 中心X"), &state.cx2},
            {QStringLiteral("中心Y（共通）"), &state.cy},
        },
    };

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    m_heading = styledLabel(heading, systemFontAt(11, QFont::Bold), cTextSec.toQColor(), this);
    column->addWidget(m_heading, 0, Qt::AlignLeft);
    for (const auto& row : rows) {
        auto* line = new QHBoxLayout;
        line->setSpacing(10);
        for (const auto& [label, text] : row) {
            auto* field = new ParamField(label, *text, this);
            m_fields.append(field);
            // Equal stretch: the three fields share the row evenly.
            line->addWidget(field, 1, Qt::AlignVCenter);
        }
        column->addLayout(line);
    }
}
