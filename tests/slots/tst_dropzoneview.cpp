#include "app/RoundedButton.h"
#include "app/Theme.h"
#include "app/WindowState.h"
#include "slots/CropEditor.h"
#include "slots/DropArea.h"
#include "slots/DropZoneView.h"
#include "slots/ElidedLabel.h"

#include "support/SlotFixtures.h"

#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

class DropZoneViewTest : public QObject {
    Q_OBJECT

    static QStringList labelTexts(const QWidget* w)
    {
        QStringList texts;
        for (const QLabel* label : w->findChildren<QLabel*>())
            if (label->isVisibleTo(w->window()))
                texts << label->text();
        return texts;
    }

private slots:
    void emptySlot()
    {
        WindowState state;
        DropZoneView panel(state, 1, QStringLiteral("🔵  画像 1 (RAO)"), cAccent.toQColor(), {});
        panel.setFixedWidth(444);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));

        QCOMPARE(panel.titleLabel()->text(), QStringLiteral("🔵  画像 1 (RAO)"));
        QCOMPARE(panel.titleLabel()->font().pixelSize(), 12);
        QCOMPARE(panel.titleLabel()->font().weight(), QFont::Bold);
        QCOMPARE(panel.titleLabel()->palette().color(QPalette::WindowText), cAccent.toQColor());
        QCOMPARE(panel.fileButton()->text(), QStringLiteral("📁  ファイルを選択"));
        QCOMPARE(panel.fileButton()->accessibleName(), QStringLiteral("📁  ファイルを選択"));
        QCOMPARE(panel.fileButton()->look().fontPixelSize, 12);
        QCOMPARE(panel.fileButton()->look().padding, QMargins(16, 7, 16, 7));

        QVERIFY(!panel.helpLabel()->isVisible());
        QVERIFY(!panel.cropStatusLabel()->isVisible());
        QVERIFY(!panel.fileNameLabel()->isVisible());
        QVERIFY(!panel.editor()->isVisible());
        QCOMPARE(panel.dropArea()->height(), 260);
        const QStringList texts = labelTexts(&panel);
        QVERIFY(texts.contains(QStringLiteral("ここにドラッグ＆ドロップ")));
        QVERIFY(texts.contains(QStringLiteral("または上のボタンで選択")));
        QCOMPARE(texts.size(), 3); // the title and the two hints

        // A file name without an image still shows.
        state.setName(1, QStringLiteral("kept.png"));
        QVERIFY(panel.fileNameLabel()->isVisible());
        QCOMPARE(panel.fileNameLabel()->text(), QStringLiteral("✓ kept.png"));
    }

    void loadedSlot()
    {
        WindowState state;
        DropZoneView panel(state, 2, QStringLiteral("🟣  画像 2 (LAO)"), cAccent2.toQColor(),
                           {});
        panel.setFixedWidth(444);
        panel.show();
        state.setImage(2, quadrantImage(1024, 768));
        state.setName(2, QStringLiteral("LAO.png"));
        QVERIFY(QTest::qWaitForWindowExposed(&panel));

        QVERIFY(panel.helpLabel()->isVisible());
        QCOMPARE(panel.helpLabel()->text(),
                 QStringLiteral(
                     "画像の上をドラッグ → 正方形で切り出し（内側ドラッグで移動／角で拡大縮小）"));
        QCOMPARE(panel.helpLabel()->font().pixelSize(), 10);
        QVERIFY(panel.editor()->isVisible());
        QCOMPARE(panel.fileNameLabel()->text(), QStringLiteral("✓ LAO.png"));
        QCOMPARE(panel.fileNameLabel()->palette().color(QPalette::WindowText), cSuccess.toQColor());
        QCOMPARE(panel.cropStatusLabel()->text(),
                 QStringLiteral("未選択 — 画像全体を使用（1024 × 768 px）"));

        state.setCrop(2, QRectF(10.0, 20.0, 300.0, 300.0));
        QCOMPARE(panel.cropStatusLabel()->text(),
                 QStringLiteral("切り出し 300 × 300 px（位置 10, 20）"));
        state.setCrop(2, QRectF(10.75, 20.5, 300.9, 300.9)); // as during a drag
        QCOMPARE(panel.cropStatusLabel()->text(),
                 QStringLiteral("切り出し 300 × 300 px（位置 10, 20）"));

        // The rows that need an image go with it.
        state.setImage(2, QImage());
        state.setName(2, QString());
        QVERIFY(!panel.helpLabel()->isVisible());
        QVERIFY(!panel.cropStatusLabel()->isVisible());
        QVERIFY(!panel.fileNameLabel()->isVisible());
        QVERIFY(!panel.editor()->isVisible());
    }

    void longFileNameIsShortenedInTheMiddle()
    {
        WindowState state;
        DropZoneView panel(state, 1, QStringLiteral("🔵  画像 1 (RAO)"), cAccent.toQColor(), {});
        panel.setFixedWidth(300);
        const QString name = QStringLiteral("2024-05-01_冠動脈造影_RAO30_CAU20_") +
                             QString(80, u'x') + QStringLiteral("_end.png");
        state.setName(1, name);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));

        ElidedLabel* label = panel.fileNameLabel();
        QCOMPARE(label->text(), QStringLiteral("✓ ") + name);
        const QString shown = label->displayedText();
        QVERIFY(shown.contains(QChar(0x2026)));
        QVERIFY(shown.startsWith(QStringLiteral("✓ 2024")));
        QVERIFY(shown.endsWith(QStringLiteral("_end.png")));
        QVERIFY(label->width() <= 300 - 28);
        QCOMPARE(label->height(), label->sizeHint().height()); // one line
        QCOMPARE(label->toolTip(), label->text());
    }

    void hoveringFileColoursTheDropArea()
    {
        QTemporaryDir dir;
        const QString path =
            writeImage(QDir(dir.path()), QStringLiteral("a.png"), quadrantImage(8, 8));
        WindowState state;
        const QColor accent = cAccent.toQColor();
        DropZoneView panel(state, 1, QStringLiteral("🔵  画像 1 (RAO)"), accent, {});
        panel.setFixedWidth(444);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        DropArea* area = panel.dropArea();

        auto fillAndBorder = [&] {
            const QImage shot = panel.grab().toImage();
            const qreal dpr = shot.devicePixelRatio();
            const QPoint origin = area->mapTo(&panel, QPoint(0, 0));
            const QColor fill = shot.pixelColor((origin + QPoint(30, 30)) * dpr);
            // The most accent-like pixel down the border's left side.
            int best = 1000;
            for (int y = 20; y < 240; ++y) {
                const QColor c = shot.pixelColor((origin + QPoint(1, y)) * dpr);
                best = std::min(best, std::abs(c.red() - accent.red()) +
                                          std::abs(c.green() - accent.green()) +
                                          std::abs(c.blue() - accent.blue()));
            }
            return std::make_pair(fill, best);
        };
        const QColor card = cBgCard.toQColor();
        auto over = [](QColor top, double alpha, QColor bottom) {
            return QColor::fromRgbF(float(top.redF() * alpha + bottom.redF() * (1 - alpha)),
                                    float(top.greenF() * alpha + bottom.greenF() * (1 - alpha)),
                                    float(top.blueF() * alpha + bottom.blueF() * (1 - alpha)));
        };

        auto [restFill, restBorder] = fillAndBorder();
        QVERIFY(near(restFill, card)); // the card at 60 % over the card
        QVERIFY(restBorder > 60);      // accent at 40 % only

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(30, 30), Qt::CopyAction, &mime, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(area, &enter);
        QVERIFY(panel.isTargeted());
        auto [hotFill, hotBorder] = fillAndBorder();
        QVERIFY(near(hotFill, over(accent, 0.2, card)));
        QVERIFY(hotBorder < 10); // full accent

        QDragLeaveEvent leave;
        QCoreApplication::sendEvent(area, &leave);
        QVERIFY(!panel.isTargeted());
        QCOMPARE(fillAndBorder().first, restFill);
    }

    void accessibleNames()
    {
        WindowState state;
        DropZoneView panel(state, 1, QStringLiteral("🔵  画像 1 (RAO)"), cAccent.toQColor(), {});
        QVERIFY(panel.editor()->accessibleName().contains(QStringLiteral("切り出し")));
        QVERIFY(panel.editor()->accessibleName().startsWith(QStringLiteral("🔵  画像 1 (RAO)")));
        QVERIFY(!panel.dropArea()->accessibleName().isEmpty());
    }
};

QTEST_MAIN(DropZoneViewTest)
#include "tst_dropzoneview.moc"
