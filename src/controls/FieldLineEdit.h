#pragma once

#include <QLineEdit>

// The single-line editor of the parameter and colour fields: no platform
// frame, monospaced 13 px text in the primary text colour, padded 10 px left
// and right and 7 px above and below, on a recessed rounded surface with a
// faint outline. The outline brightens while the editor has keyboard focus.
class FieldLineEdit : public QLineEdit {
    Q_OBJECT

public:
    static constexpr int paddingH = 10;
    static constexpr int paddingV = 7;
    static constexpr qreal cornerRadius = 8;

    explicit FieldLineEdit(QWidget* parent = nullptr);

    // One line of text with its padding above and below; the style adds nothing.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
