#pragma once

#include "controls/ColorDialogSeam.h"
#include "controls/ColorRules.h"

#include <QAbstractButton>

#include <optional>

class WindowState;

// The labelled colour picker of the canvas background: the label followed by
// a swatch of the current colour over a small checkerboard. A click opens a
// colour chooser with opacity; every colour it reports, while it is open and
// at the end, is written through the background colour binding, so the
// preview follows. Cancelling puts back the colour the chooser started from.
class ColorPickerButton : public QAbstractButton {
    Q_OBJECT

public:
    static inline const QString title = QStringLiteral("カラーピッカー");
    static constexpr QSize swatchSize{36, 20};
    static constexpr int swatchGap = 8;

    explicit ColorPickerButton(WindowState& state, QWidget* parent = nullptr);

    // Whether a chooser opened by this picker is still open.
    bool isChoosing() const { return m_start.has_value(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    QRectF swatchRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void choose();
    void report(const QColor& color);
    void finish(const std::optional<QColor>& color);
    // Writes a colour the chooser reported, converted to sRGB, each component
    // times 255 rounded with halves away from zero, stored R, G, B, A in order.
    void write(const QColor& color);

    WindowState& m_state;
    std::optional<BackgroundColor> m_start;
};
