#include "app/CompositeTransfer.h"

#include "ui/TextStyle.h"
#include "ui/Theme.h"

#include <QDir>
#include <QDrag>
#include <QEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPainterPath>
#include <QRegion>
#include <QTemporaryDir>
#include <QUrl>

QMimeData* compositeMimeData(const QByteArray& png, const QImage& image, const QString& pngFile)
{
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("image/png"), png);
    mime->setImageData(image);
    if (!pngFile.isEmpty())
        mime->setUrls({QUrl::fromLocalFile(pngFile)});
    return mime;
}

std::optional<QString> writeDragFile(std::unique_ptr<QTemporaryDir>& folder, const QString& name,
                                     const QByteArray& png)
{
    // The last drag's file goes first: a program it was dropped on has
    // long since copied it.
    folder.reset();
    auto fresh =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/pairvue-drag-XXXXXX"));
    if (!fresh->isValid())
        return std::nullopt;
    const QString path = fresh->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(png) != png.size() || !file.flush())
        return std::nullopt; // the folder and what is in it go with `fresh`
    file.close();
    folder = std::move(fresh);
    return path;
}

void runDrag(QDrag& drag)
{
    drag.exec(Qt::CopyAction);
}

namespace {

// Clips a menu's window to its rounded card, so no square corners show
// behind the rounding, with or without a compositing window manager.
class RoundedWindowMask : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize) {
            auto* widget = static_cast<QWidget*>(watched);
            QPainterPath shape;
            shape.addRoundedRect(QRectF(widget->rect()), menuRadius, menuRadius);
            widget->setMask(QRegion(shape.toFillPolygon().toPolygon()));
        }
        return false;
    }

private:
    static constexpr qreal menuRadius = 8;
};

} // namespace

void styleAsCardMenu(QMenu& menu)
{
    menu.installEventFilter(new RoundedWindowMask(&menu));
    menu.setFont(systemFontAt(12));
    const QString card = cBgCard.toQColor().name();
    const QString text = cTextPri.toQColor().name();
    // The item under the pointer (or the arrow keys) in the accent, half
    // mixed into the card: plainly lit, and the light text on it stays
    // readable (more than 6 : 1).
    const QColor accent = cAccent.toQColor();
    const QString selected = QStringLiteral("rgba(%1, %2, %3, 115)") // 45 %
                                 .arg(accent.red())
                                 .arg(accent.green())
                                 .arg(accent.blue());
    const QString muted = cTextSec.toQColor().name();
    menu.setStyleSheet(QStringLiteral("QMenu { background: %1; color: %2;"
                                      " border: 1px solid rgba(255, 255, 255, 26);"
                                      " border-radius: 8px; padding: 6px; }"
                                      "QMenu::item { padding: 6px 18px 6px 12px;"
                                      " border-radius: 6px; background: transparent; }"
                                      "QMenu::item:selected { background: %3; color: %2; }"
                                      "QMenu::item:disabled { color: %4; }"
                                      "QMenu::separator { height: 1px; margin: 4px 6px;"
                                      " background: rgba(255, 255, 255, 26); }")
                           .arg(card, text, selected, muted));
}
