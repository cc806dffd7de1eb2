#include "controls/ParamField.h"

#include "state/WindowState.h"
#include "controls/FieldLineEdit.h"

ParamField::ParamField(const QString& label, Getter get, Setter set, QWidget* parent)
    : CaptionedField(label, parent), m_get(std::move(get)), m_set(std::move(set))
{
    editor()->setText(m_get());
    // textEdited, not textChanged: only the user's edits are written back.
    connect(editor(), &QLineEdit::textEdited, this, [this](const QString& text) { m_set(text); });
}

ParamField::ParamField(const QString& label, WindowState& state,
                       const QString& (WindowState::*getter)() const,
                       void (WindowState::*setter)(const QString&), void (WindowState::*changed)(),
                       QWidget* parent)
    : ParamField(
          label, [&state, getter] { return (state.*getter)(); },
          [&state, setter](const QString& v) { (state.*setter)(v); }, &state, changed, parent)
{
}

void ParamField::showValue()
{
    const QString v = m_get();
    if (editor()->text() != v)
        editor()->setText(v);
}
