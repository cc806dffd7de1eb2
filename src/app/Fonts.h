#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

// The user-interface font at a size in logical pixels and a weight.
QFont systemFont(int pixelSize, QFont::Weight weight = QFont::Normal);
// The monospaced system font at a size in logical pixels and a weight.
QFont monospacedFont(int pixelSize, QFont::Weight weight = QFont::Normal);

// A plain label with a font and a colour.
QLabel* makeLabel(const QString& text, const QFont& font, const QColor& color,
                  QWidget* parent = nullptr);
