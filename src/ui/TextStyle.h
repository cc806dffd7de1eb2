#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

// Fonts and plain text labels shared by the whole window.
// Sizes are logical pixels.

// The user-interface font at the given size and weight.
QFont systemFontAt(int pixelSize, QFont::Weight weight = QFont::Normal);
// The monospaced system font at the given size and weight.
QFont monospacedFontAt(int pixelSize, QFont::Weight weight = QFont::Normal);

// A label showing text in a font and colour; it takes no focus.
QLabel* styledLabel(const QString& text, const QFont& font, const QColor& color,
                    QWidget* parent = nullptr);
