#pragma once

#include <QColor>

#include <functional>
#include <optional>

class QWidget;

// How the colour picker asks the user for a colour. The chooser is shown
// without blocking: `current` is called with every colour the user looks at
// while it is open, and `finished` once when it closes, with the chosen colour
// or with nothing when the user cancelled.
using ColorReport = std::function<void(const QColor&)>;
using ColorOutcome = std::function<void(const std::optional<QColor>&)>;

// Qt's colour dialog with opacity editing, modal to the parent's window.
void openPlatformColorDialog(QWidget* parent, const QColor& initial, ColorReport current,
                             ColorOutcome finished);
