#include "app/CropPairButton.h"

#include "ui/Theme.h"

#include <QVariant>

QString cropPairButtonHelp(CropPairAction action)
{
    if (action == CropPairAction::Save)
        return QStringLiteral("左右の切り出しサイズ・位置と背景色をまとめて保存");
    return QStringLiteral("保存した左右の画角・位置を呼び出し（選択中の背景色は維持）");
}

RoundedButton::Look cropPairButtonLook(bool highlighted)
{
    RoundedButton::Look look;
    look.fontPixelSize = 11;
    look.weight = QFont::DemiBold;
    look.padding = QMargins(12, 7, 12, 7);
    look.cornerRadius = 8;
    look.glowRadius = 7;
    look.disabledOpacity = 0.42;
    if (highlighted) {
        look.text = blackAt(0.82);
        look.background = cSuccess.toQColor();
        look.outline = cSuccess.toQColor();
        look.glow = cSuccess.withOpacity(0.35);
    } else {
        look.text = cTextPri.toQColor();
        look.background = cBgSec.toQColor();
        look.outline = whiteAt(0.12);
        look.glow = Qt::transparent;
    }
    return look;
}

RoundedButton* cropPairActionButton(CropPairAction action, const QString& title, bool enabled,
                                    bool highlighted, std::function<void()> run, QWidget* parent)
{
    auto* button = new RoundedButton(title, parent);
    button->setToolTip(cropPairButtonHelp(action));
    QObject::connect(button, &QAbstractButton::clicked, button, [run = std::move(run)] {
        if (run)
            run();
    });
    updateCropPairActionButton(button, title, enabled, highlighted);
    return button;
}

void updateCropPairActionButton(RoundedButton* button, const QString& title, bool enabled,
                                bool highlighted)
{
    // Runs on every crop update during a drag: touch only what changed, so the
    // layout is not redone under the pointer.
    static const char* const highlightedProperty = "cropPairHighlighted";
    if (button->text() != title || button->accessibleName() != title) {
        button->setText(title);
        button->setAccessibleName(title);
    }
    const QVariant shown = button->property(highlightedProperty);
    if (!shown.isValid() || shown.toBool() != highlighted) {
        button->setLook(cropPairButtonLook(highlighted));
        button->setProperty(highlightedProperty, highlighted);
    }
    button->setEnabled(enabled);
}
