#pragma once

#include "controls/CaptionedField.h"

#include "state/WindowState.h"

#include <QString>

// A captioned text field bound two ways to a text of the window state. Every
// edit is written through at once, keystroke by keystroke, without filtering
// or validation; Return does nothing further. A change of the bound text made
// elsewhere shows at once; the editor's text is replaced only when it differs,
// so the caret stays where it is while the user types.
class ParamField : public CaptionedField {
    Q_OBJECT

public:
    ParamField(const QString& label, WindowState::Text& field, QWidget* parent = nullptr);

    QString value() const { return m_field(); }

private:
    void showValue();

    WindowState::Text& m_field;
};
