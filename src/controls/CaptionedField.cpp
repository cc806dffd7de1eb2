#include "controls/CaptionedField.h"

#include "controls/FieldLineEdit.h"
#include "ui/TextStyle.h"
#include "ui/Theme.h"

#include <QLabel>
#include <QVBoxLayout>

CaptionedField::CaptionedField(const QString& caption, QWidget* parent) : QWidget(parent)
{
    m_caption = styledLabel(caption, systemFontAt(9), cTextSec.toQColor(), this);
    m_editor = new FieldLineEdit(this);
    m_editor->setAccessibleName(caption);
    m_caption->setBuddy(m_editor);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    layout->addWidget(m_caption, 0, Qt::AlignLeft);
    layout->addWidget(m_editor);

    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusProxy(m_editor);
}

QString CaptionedField::caption() const
{
    return m_caption->text();
}
