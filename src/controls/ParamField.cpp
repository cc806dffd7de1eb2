#include "controls/ParamField.h"

#include "controls/FieldLineEdit.h"

ParamField::ParamField(const QString& label, WindowState::Text& field, QWidget* parent)
    : CaptionedField(label, parent), m_field(field)
{
    editor()->setText(m_field());
    // textEdited, not textChanged: only the user's edits are written back.
    connect(editor(), &QLineEdit::textEdited, this,
            [this](const QString& text) { m_field.set(text); });
    connect(m_field.owner(), m_field.changed(), this, &ParamField::showValue);
}

void ParamField::showValue()
{
    const QString v = m_field();
    if (editor()->text() != v)
        editor()->setText(v);
}
