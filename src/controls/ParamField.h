#pragma once

#include "controls/CaptionedField.h"

#include <QString>

#include <functional>

class WindowState;

// A captioned text field bound two ways to a text of the window state. Every
// edit is written through at once, keystroke by keystroke, without filtering
// or validation; Return does nothing further. A change of the bound text made
// elsewhere shows at once; the editor's text is replaced only when it differs,
// so the caret stays where it is while the user types.
class ParamField : public CaptionedField {
    Q_OBJECT

public:
    using Getter = std::function<QString()>;
    using Setter = std::function<void(const QString&)>;

    // Bound through a getter and a setter; `changed` of `sender` announces a
    // new value.
    template <typename Sender, typename Signal>
    ParamField(const QString& label, Getter get, Setter set, const Sender* sender, Signal changed,
               QWidget* parent = nullptr)
        : ParamField(label, std::move(get), std::move(set), parent)
    {
        connect(sender, changed, this, &ParamField::showValue);
    }

    // Bound to one text field of a window state.
    ParamField(const QString& label, WindowState& state,
               const QString& (WindowState::*getter)() const,
               void (WindowState::*setter)(const QString&), void (WindowState::*changed)(),
               QWidget* parent = nullptr);

    QString value() const { return m_get(); }

private:
    ParamField(const QString& label, Getter get, Setter set, QWidget* parent);
    void showValue();

    Getter m_get;
    Setter m_set;
};
