#include "ui/Theme.h"
#include "state/WindowState.h"
#include "slots/CropEditor.h"
#include "slots/DropArea.h"
#include "slots/DropZoneView.h"
#include "slots/ElidedLabel.h"

#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QUrl>

class DropZoneViewTest : public QObject {
    Q_OBJECT

    const QString title = QStringLiteral("🟣  画像 2 (LAO)");

private slots:
    void rowsTextsAndHighlightFollowTheSlot()
    {
        WindowState state;
        DropZoneView panel(state, 2, title, cAccent.toQColor(), {});
        panel.setFixedWidth(444);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QVERIFY(panel.editor()->accessibleName().startsWith(title));
        auto shown = [&] {
            return panel.helpLabel()->isVisible() + panel.cropStatusLabel()->isVisible() +
                   panel.editor()->isVisible() + panel.fileNameLabel()->isVisible();
        };
        QCOMPARE(shown(), 0);

        // A file hovering over the empty slot lights it up in the accent.
        DropArea* area = panel.dropArea();
        auto fill = [&] {
            const QImage shot = panel.grab().toImage();
            return shot.pixelColor(area->mapTo(&panel, QPoint(30, 30)) * shot.devicePixelRatio());
        };
        const QColor rest = fill();
        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.png"))});
        QDragEnterEvent enter(QPoint(30, 30), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(area, &enter);
        QVERIFY(panel.isTargeted());
        QVERIFY(fill().blue() > rest.blue() + 20); // towards the accent
        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(area, &leave);
        QVERIFY(!panel.isTargeted());
        QCOMPARE(fill(), rest);

        // A name without an image still shows; a long one is shortened in the
        // middle, on one line, and shown whole in its tool tip.
        const QString name = QStringLiteral("2024-05-01_冠動脈造影_RAO30_CAU20_") +
                             QString(80, u'x') + QStringLiteral("_end.png");
        state.setName(2, name);
        QCOMPARE(shown(), 1);
        ElidedLabel* label = panel.fileNameLabel();
        QCOMPARE(label->toolTip(), QStringLiteral("✓ ") + name);
        QVERIFY(label->displayedText().startsWith(QStringLiteral("✓ 2024")));
        QVERIFY(label->displayedText().contains(QStringLiteral("\u2026x")));
        QVERIFY(label->displayedText().endsWith(QStringLiteral("_end.png")));
        QVERIFY(label->width() <= 444 - 28);
        QCOMPARE(label->height(), label->sizeHint().height());

        state.setImage(2, QImage(1024, 768, QImage::Format_RGB32));
        QCOMPARE(shown(), 4);
        QCOMPARE(panel.cropStatusLabel()->text(),
                 QStringLiteral("未選択 — 画像全体を使用（1024 × 768 px）"));
        state.setCrop(2, QRectF(10.75, 20.5, 300.9, 299.99)); // as during a drag
        QCOMPARE(panel.cropStatusLabel()->text(),
                 QStringLiteral("切り出し 300 × 299 px（位置 10, 20）"));

        state.setImage(2, QImage());
        state.setName(2, QString());
        QCOMPARE(shown(), 0);
    }
};

QTEST_MAIN(DropZoneViewTest)
#include "tst_dropzoneview.moc"
