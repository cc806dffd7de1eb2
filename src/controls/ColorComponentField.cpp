#include "controls/ColorComponentField.h"

#include "controls/ColorRules.h"
#include "controls/FieldLineEdit.h"

ColorComponentField::ColorComponentField(const QString& label, WindowState::Component& field,
                                         QWidget* parent)
    : CaptionedField(label, parent), m_field(field)
{
    setMinimumWidth(minimumFieldWidth);
    showValue();
    connect(editor(), &QLineEdit::editingFinished, this, &ColorComponentField::commit);
    connect(m_field.owner(), m_field.changed(), this, &ColorComponentField::valueChanged);
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
    if (const std::optional<qint64> corrected = clampCorrection(m_field()))
        m_field.set(*corrected);
    showValue();
}

void ColorComponentField::commit()
{
    if (const std::optional<qint64> v = parseComponent(editor()->text(), m_locale))
        m_field.set(*v);
    // Unreadable text, or a number written differently ("+7", "007"), gives
    // way to the value as it now stands.
    showValue();
}

void ColorComponentField::showValue()
{
    const QString text = formatComponent(m_field(), m_locale);
    if (editor()->text() != text)
        editor()->setText(text);
}
