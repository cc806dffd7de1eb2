#include "controls/ColorDialogSeam.h"

#include <QColorDialog>

void openPlatformColorDialog(QWidget* parent, const QColor& initial, ColorReport current,
                             ColorOutcome finished)
{
    auto* dialog = new QColorDialog(parent);
    // Opacity first: a colour set before it is shown loses its alpha.
    dialog->setOption(QColorDialog::ShowAlphaChannel);
    dialog->setCurrentColor(initial);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(dialog, &QColorDialog::currentColorChanged, dialog,
                     [current = std::move(current)](const QColor& c) { current(c); });
    QObject::connect(dialog, &QDialog::finished, dialog,
                     [dialog, finished = std::move(finished)](int result) {
                         if (result == QDialog::Accepted)
                             finished(dialog->selectedColor());
                         else
                             finished(std::nullopt);
                     });
    // Modal to its window only, and asynchronous: other windows stay usable
    // and no nested event loop is left waiting.
    dialog->open();
}
