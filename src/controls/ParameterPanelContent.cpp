#include "controls/ParameterPanelContent.h"

#include "ui/TextStyle.h"
#include "ui/Theme.h"
#include "state/WindowState.h"
#include "controls/ParamField.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

struct ParamBinding {
    QString label;
    const QString& (WindowState::*get)() const;
    void (WindowState::*set)(const QString&);
    void (WindowState::*changed)();
};

} // namespace

ParameterPanelContent::ParameterPanelContent(WindowState& state, QWidget* parent) : QWidget(parent)
{
    const ParamBinding rows[2][3] = {
        {
            {QStringLiteral("キャンバス幅"), &WindowState::canvasW, &WindowState::setCanvasW,
             &WindowState::canvasWChanged},
            {QStringLiteral("キャンバス高さ"), &WindowState::canvasH, &WindowState::setCanvasH,
             &WindowState::canvasHChanged},
            {QStringLiteral("画像サイズ"), &WindowState::imgSize, &WindowState::setImgSize,
             &WindowState::imgSizeChanged},
        },
        {
            {QStringLiteral("画像1 (RAO) 中心X"), &WindowState::cx1, &WindowState::setCx1,
             &WindowState::cx1Changed},
            {QStringLiteral("画像2 (LAO) 中心X"), &WindowState::cx2, &WindowState::setCx2,
             &WindowState::cx2Changed},
            {QStringLiteral("中心Y（共通）"), &WindowState::cy, &WindowState::setCy,
             &WindowState::cyChanged},
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
        for (const ParamBinding& entry : row) {
            auto* field =
                new ParamField(entry.label, state, entry.get, entry.set, entry.changed, this);
            m_fields.append(field);
            // Equal stretch: the three fields share the row evenly.
            line->addWidget(field, 1, Qt::AlignVCenter);
        }
        column->addLayout(line);
    }
}
