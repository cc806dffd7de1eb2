#include "controls/ColorComponentField.h"

#include "state/WindowState.h"
#include "controls/ColorRules.h"
#include "controls/FieldLineEdit.h"

ColorComponentField::ColorComponentField(const QString& label, Getter get, Setter set,
                                         QWidget* parent)
    : CaptionedField(label, parent), m_get(std::move(get)), m_set(std::move(set))
{
    setMinimumWidth(minimumFieldWidth);
    showValue();
    connect(editor(), &QLineEdit::editingFinished, this, &ColorComponentField::commit);
}

ColorComponentField::ColorComponentField(const QString& label, WindowState& state,
                                         qint64 (WindowState::*getter)() const,
                                         void (WindowState::*setter)(qint64),
                                         void (WindowState::*changed)(), QWidget* parent)
    : ColorComponentField(
          label, [&state, getter] { return (state.*getter)(); },
          [&state, setter](qint64 v) { (state.*setter)(v); }, &state, changed, parent)
{
}

void ColorComponentField::setNumberLocale(const QLocale& locale)
{
    m_locale = locale;
    showValue();
}

void ColorComponentField::valueChanged()
{
    // Writing the corrected value announces another change, which arrives
    // here again with a value within range.
    if (const std::optional<qint64> corrected = clampCorrection(m_get()))
        m_set(*corrected);
    showValue();
}

void ColorComponentField::commit()
{
    if (const std::optional<qint64> v = parseComponent(editor()->text(), m_locale))
        m_set(*v);
    // Unreadable text, or a number written differently ("+7", "007"), gives
    // way to the value as it now stands.
    showValue();
}

void ColorComponentField::showValue()
{
    const QString text = formatComponent(m_get(), m_locale);
    if (editor()->text() != text)
        editor()->setText(text);
}
