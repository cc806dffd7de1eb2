#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

// The crop status line of a slot: the crop's size and position, or the whole
// image's size when nothing is selected. Numbers are shown by their integer
// part (a drag in progress holds fractions).
QString cropStatusText(QSizeF imagePixels, const std::optional<QRectF>& crop);

// The frame row of a multi-frame slot: `frame` is 0-based, the text 1-based.
QString frameRowText(int frame, int frameCount);

// The file name line of a slot.
QString fileNameText(const QString& imageName);

// A number's integer part in plain digits: the fraction dropped, no grouping.
QString integerPartText(double value);
