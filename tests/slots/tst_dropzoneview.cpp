#include "app/Theme.h"
#include "app/WindowState.h"
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

        state.setName(2, QStringLiteral("kept.png")); // a name without an image still shows
        QCOMPARE(shown(), 1);
        QCOMPARE(panel.fileNameLabel()->text(), QStringLiteral("✓ kept.png"));

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

    void longFileNameIsShortenedInTheMiddle()
    {
        WindowState state;
        DropZoneView panel(state, 2, title, cAccent2.toQColor(), {});
        panel.setFixedWidth(300);
        const QString name = QStringLiteral("2024-05-01_冠動脈造影_RAO30_CAU20_") +
                             QString(80, u'x') + QStringLiteral("_end.png");
        state.setName(2, name);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        ElidedLabel* label = panel.fileNameLabel();
        const QString shown = label->displayedText();
        QVERIFY(shown.contains(QChar(0x2026)));
        QVERIFY(shown.startsWith(QStringLiteral("✓ 2024")));
        QVERIFY(shown.endsWith(QStringLiteral("_end.png")));
        QVERIFY(label->width() <= 300 - 28);
        QCOMPARE(label->height(), label->sizeHint().height()); // one line
        QCOMPARE(label->toolTip(), QStringLiteral("✓ ") + name);
    }
};

QTEST_MAIN(DropZoneViewTest)
#include "tst_dropzoneview.moc"
