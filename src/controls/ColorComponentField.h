#pragma once

#include "controls/CaptionedField.h"

#include <QLocale>

#include <functional>

class WindowState;

// A captioned field editing one colour component as a whole number written
// for the user's locale. Typed text is read when the edit is committed (Return,
// or the field losing focus); text that is not a whole number leaves the value
// as it was and the field shows the value again. Whenever the bound value
// changes, whatever changed it, a value below 0 is written back as 0 and one
// above 255 as 255. The value shown when the field is made is not clamped.
class ColorComponentField : public CaptionedField {
    Q_OBJECT

public:
    static constexpr int minimumFieldWidth = 62;

    using Getter = std::function<qint64()>;
    using Setter = std::function<void(qint64)>;

    // Bound through a getter and a setter; `changed` of `sender` announces a
    // new value.
    template <typename Sender, typename Signal>
    ColorComponentField(const QString& label, Getter get, Setter set, const Sender* sender,
                        Signal changed, QWidget* parent = nullptr)
        : ColorComponentField(label, std::move(get), std::move(set), parent)
    {
        connect(sender, changed, this, &ColorComponentField::valueChanged);
    }

    // Bound to one colour component of a window state.
    ColorComponentField(const QString& label, WindowState& state,
                        qint64 (WindowState::*getter)() const, void (WindowState::*setter)(qint64),
                        void (WindowState::*changed)(), QWidget* parent = nullptr);

    qint64 value() const { return m_get(); }

    // The locale the number is written and read in; the user's by default.
    void setNumberLocale(const QLocale& locale);
    const QLocale& numberLocale() const { return m_locale; }

private:
    ColorComponentField(const QString& label, Getter get, Setter set, QWidget* parent);
    void valueChanged();
    void commit();
    void showValue();

    Getter m_get;
    Setter m_set;
    QLocale m_locale = QLocale::system();
};
