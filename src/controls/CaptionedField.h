#pragma once

#include <QWidget>

class FieldLineEdit;
class QLabel;

// A caption in small secondary text over a field editor, 3 px apart and
// left-aligned. It takes the width its row gives it. The editor is named after
// the caption for screen readers.
class CaptionedField : public QWidget {
    Q_OBJECT

public:
    explicit CaptionedField(const QString& caption, QWidget* parent = nullptr);

    QString caption() const;
    FieldLineEdit* editor() const { return m_editor; }
    QLabel* captionLabel() const { return m_caption; }

private:
    QLabel* m_caption;
    FieldLineEdit* m_editor;
};
