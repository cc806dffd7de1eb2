#pragma once

#include "controls/CaptionedField.h"

#include "state/WindowState.h"

#include <QLocale>

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

    ColorComponentField(const QString& label, WindowState::Component& field,
                        QWidget* parent = nullptr);

    qint64 value() const { return m_field(); }

    // The locale the number is written and read in; the user's by default.
    void setNumberLocale(const QLocale& locale);
    const QLocale& numberLocale() const { return m_locale; }

private:
    void valueChanged();
    void commit();
    void showValue();

    WindowState::Component& m_field;
    QLocale m_locale = QLocale::system();
};
