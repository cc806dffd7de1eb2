#pragma once

#include <QList>
#include <QWidget>

class ColorComponentField;
class ColorPickerButton;
class QLabel;
class RoundedButton;
class WindowState;

// The two rows of the canvas background section, bound to a window state:
// a header row (heading, colour picker, the colour caption at the right) and a
// preset row (the three presets, a short divider, then the four component
// fields), bottoms aligned. The card around them belongs to the window.
class BackgroundColorPanelContent : public QWidget {
    Q_OBJECT

public:
    static inline const QString heading = QStringLiteral("キャンパス背景");

    explicit BackgroundColorPanelContent(WindowState& state, QWidget* parent = nullptr);

    QLabel* headingLabel() const { return m_heading; }
    ColorPickerButton* colorPicker() const { return m_picker; }
    QLabel* captionLabel() const { return m_caption; }
    const QList<RoundedButton*>& presetButtons() const { return m_presets; }
    const QList<ColorComponentField*>& componentFields() const { return m_fields; }

private:
    void updateCaption();

    WindowState& m_state;
    QLabel* m_heading = nullptr;
    ColorPickerButton* m_picker = nullptr;
    QLabel* m_caption = nullptr;
    QList<RoundedButton*> m_presets;
    QList<ColorComponentField*> m_fields;
};
