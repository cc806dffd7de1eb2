#include "slots/CropCanvasView.h"
#include "slots/CropDrag.h"
#include "slots/CropGeometry.h"
#include "slots/SlotTexts.h"

#include "support/SlotFixtures.h"

#include <QPainter>
#include <QTest>

#include <cmath>
#include <limits>

using OptPoint = std::optional<QPointF>;
using OptRect = std::optional<QRectF>;
Q_DECLARE_METATYPE(OptPoint)
Q_DECLARE_METATYPE(OptRect)

namespace {
// An 800 x 400 image in a 400 x 244 editor: drawn at half size, 22 points
// below the top (bands above and below).
const EditorGeometry wide = EditorGeometry::of(QSizeF(800, 400), QSizeF(400, 244));
} // namespace

class CropRulesTest : public QObject {
    Q_OBJECT

private slots:
    void layout()
    {
        QCOMPARE(wide.fitted, QRectF(0, 22, 400, 200));
        QCOMPARE(wide.scale, 0.5);
        QCOMPARE(wide.imageToView(QRectF(100, 50, 200, 100)), QRectF(50, 47, 100, 50));
    }

    void viewToImage_data()
    {
        QTest::addColumn<QSizeF>("px");
        QTest::addColumn<QPointF>("view");
        QTest::addColumn<QPointF>("image");
        const QSizeF w(800, 400);
        QTest::newRow("inside") << w << QPointF(100, 72) << QPointF(200, 100);
        QTest::newRow("band above lands on top edge") << w << QPointF(100, 5) << QPointF(200, 0);
        QTest::newRow("band below lands on bottom edge")
            << w << QPointF(100, 240) << QPointF(200, 400);
        QTest::newRow("left of the editor") << w << QPointF(-30, 72) << QPointF(0, 100);
        QTest::newRow("right of the editor") << w << QPointF(900, 72) << QPointF(800, 100);
        QTest::newRow("not a number") << w << QPointF(std::nan(""), std::nan("")) << QPointF(0, 0);
        QTest::newRow("infinite") << w
                                  << QPointF(std::numeric_limits<double>::infinity(),
                                             -std::numeric_limits<double>::infinity())
                                  << QPointF(800, 0);
        // A tall image leaves bands to the left and right.
        QTest::newRow("band left of a tall image")
            << QSizeF(200, 400) << QPointF(10, 100) << QPointF(0, 163.93442622950818);
        QTest::newRow("empty image maps to origin")
            << QSizeF(0, 0) << QPointF(50, 50) << QPointF(0, 0);
        QTest::newRow("zero height maps to origin")
            << QSizeF(100, 0) << QPointF(50, 50) << QPointF(0, 0);
    }
    void viewToImage()
    {
        QFETCH(QSizeF, px);
        QFETCH(QPointF, view);
        QFETCH(QPointF, image);
        const QPointF got = EditorGeometry::of(px, QSizeF(400, 244)).viewToImage(view);
        QCOMPARE(got.x(), image.x());
        QCOMPARE(got.y(), image.y());
    }

    void fixedCorner_data()
    {
        QTest::addColumn<QRectF>("sel");
        QTest::addColumn<QPointF>("p");
        QTest::addColumn<OptPoint>("opposite");
        const QRectF sel(100, 100, 100, 100);
        QTest::newRow("top-left keeps bottom-right")
            << sel << QPointF(95, 104) << OptPoint(QPointF(200, 200));
        QTest::newRow("top-right keeps bottom-left")
            << sel << QPointF(205, 96) << OptPoint(QPointF(100, 200));
        QTest::newRow("bottom-left keeps top-right")
            << sel << QPointF(100, 200) << OptPoint(QPointF(200, 100));
        QTest::newRow("bottom-right keeps top-left")
            << sel << QPointF(211, 211) << OptPoint(QPointF(100, 100));
        QTest::newRow("11 points away still grabs")
            << sel << QPointF(89, 89) << OptPoint(QPointF(200, 200));
        QTest::newRow("just beyond 11 points misses") << sel << QPointF(88.99, 100) << OptPoint();
        QTest::newRow("edge midpoint misses") << sel << QPointF(150, 100) << OptPoint();
        QTest::newRow("centre of a large selection misses")
            << sel << QPointF(150, 150) << OptPoint();
        QTest::newRow("small selection: top-left wins")
            << QRectF(100, 100, 15, 15) << QPointF(107.5, 107.5) << OptPoint(QPointF(115, 115));
        QTest::newRow("small selection: top-right before bottom-left")
            << QRectF(100, 100, 15, 15) << QPointF(115, 107.5) << OptPoint(QPointF(100, 115));
    }
    void fixedCorner()
    {
        QFETCH(QRectF, sel);
        QFETCH(QPointF, p);
        QFETCH(OptPoint, opposite);
        QCOMPARE(::fixedCorner(p, sel), opposite);
    }

    void cursorRule_data()
    {
        QTest::addColumn<OptRect>("crop");
        QTest::addColumn<QPointF>("p");
        QTest::addColumn<int>("shape");
        // The crop (100, 50, 300, 300) is drawn at (50, 47) - (200, 197).
        const OptRect crop(QRectF(100, 50, 300, 300));
        QTest::newRow("no crop") << OptRect() << QPointF(100, 100) << int(Qt::CrossCursor);
        QTest::newRow("inside") << crop << QPointF(120, 120) << int(Qt::OpenHandCursor);
        QTest::newRow("left edge is inside") << crop << QPointF(50, 120) << int(Qt::OpenHandCursor);
        QTest::newRow("right edge is outside") << crop << QPointF(200, 120) << int(Qt::CrossCursor);
        QTest::newRow("bottom edge is outside")
            << crop << QPointF(120, 197) << int(Qt::CrossCursor);
        QTest::newRow("corner zone inside the crop")
            << crop << QPointF(58, 55) << int(Qt::CrossCursor);
        QTest::newRow("outside") << crop << QPointF(300, 120) << int(Qt::CrossCursor);
        QTest::newRow("band") << crop << QPointF(120, 5) << int(Qt::CrossCursor);
    }
    void cursorRule()
    {
        QFETCH(OptRect, crop);
        QFETCH(QPointF, p);
        QFETCH(int, shape);
        QCOMPARE(int(cursorFor(wide, crop, p)), shape);
    }

    void moveStaysInsideWhenItFits()
    {
        // Whatever the pointer does, a moved crop never leaves the image.
        const QRectF start(100, 50, 300, 300);
        for (int x = -100; x <= 500; x += 37) {
            for (int y = -50; y <= 300; y += 29) {
                CropDragController drag;
                drag.change(wide, start, QPointF(100, 100), QPointF(100, 100));
                QCOMPARE(drag.dragMode(), DragMode::Move);
                const OptRect moved = drag.change(wide, start, QPointF(100, 100), QPointF(x, y));
                QVERIFY(moved);
                QCOMPARE(moved->size(), start.size());
                QVERIFY2(QRectF(0, 0, 800, 400).contains(*moved),
                         qPrintable(QStringLiteral("%1 %2").arg(x).arg(y)));
            }
        }
    }

    void moveOfACropWiderThanTheImage()
    {
        // The upper limit comes last: a crop that cannot fit is pushed to the
        // left edge's far side rather than past the right edge.
        CropDragController drag;
        const QRectF big(0, 0, 900, 300);
        drag.change(wide, big, QPointF(100, 100), QPointF(100, 100));
        const OptRect moved = drag.change(wide, big, QPointF(100, 100), QPointF(150, 100));
        QCOMPARE(*moved, QRectF(-100, 0, 900, 300));
    }

    void endOfDrag_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<OptRect>("crop");
        QTest::addColumn<OptRect>("committed");
        const int fresh = int(DragMode::New);
        QTest::newRow("new square 7.9 wide is removed")
            << fresh << OptRect(QRectF(10, 10, 7.9, 7.9)) << OptRect();
        QTest::newRow("new square 8 wide stays, rounded outwards")
            << fresh << OptRect(QRectF(10.5, 10, 8, 8)) << OptRect(QRectF(10, 10, 9, 8));
        QTest::newRow("x 0.5 side 10 commits 11 by 10")
            << fresh << OptRect(QRectF(0.5, 0, 10, 10)) << OptRect(QRectF(0, 0, 11, 10));
        QTest::newRow("small resized square is kept")
            << int(DragMode::Resize) << OptRect(QRectF(3, 3, 2.5, 2.5))
            << OptRect(QRectF(3, 3, 3, 3));
        QTest::newRow("small moved square is kept")
            << int(DragMode::Move) << OptRect(QRectF(3.2, 3, 4, 4)) << OptRect(QRectF(3, 3, 5, 4));
    }
    void endOfDrag()
    {
        QFETCH(int, mode);
        QFETCH(OptRect, crop);
        QFETCH(OptRect, committed);
        // Put the controller in the mode under test with a real first step.
        CropDragController drag;
        const QRectF existing(200, 100, 200, 200); // drawn at (100, 72) - (200, 172)
        const QPointF press = mode == int(DragMode::Resize) ? QPointF(100, 72)
                              : mode == int(DragMode::Move) ? QPointF(150, 120)
                                                            : QPointF(300, 200);
        drag.change(wide, existing, press, press);
        QCOMPARE(int(drag.dragMode()), mode);
        QCOMPARE(drag.end(crop), committed);
        QCOMPARE(drag.dragMode(), DragMode::None);
    }

    void overlayGeometry()
    {
        const CropOverlay o =
            cropOverlay(QRectF(0, 22, 400, 200), QSizeF(800, 400), QRectF(100, 50, 300, 300));
        QCOMPARE(o.selection, QRectF(50, 47, 150, 150));
        QCOMPARE(o.thirds[0], QLineF(100, 47, 100, 197));
        QCOMPARE(o.thirds[1], QLineF(50, 97, 200, 97));
        QCOMPARE(o.thirds[2], QLineF(150, 47, 150, 197));
        QCOMPARE(o.thirds[3], QLineF(50, 147, 200, 147));
        QCOMPARE(o.handles[0], QRectF(45, 42, 10, 10));
        QCOMPARE(o.handles[1], QRectF(195, 42, 10, 10));
        QCOMPARE(o.handles[2], QRectF(45, 192, 10, 10));
        QCOMPARE(o.handles[3], QRectF(195, 192, 10, 10));
        // The drawn corner and the point where a press grabs it coincide.
        for (const QRectF& handle : o.handles)
            QVERIFY(::fixedCorner(handle.center(), o.selection));
    }

    void drawing()
    {
        const QColor accent(79, 142, 247);
        const QImage grey = [] {
            QImage i(800, 400, QImage::Format_RGB32);
            i.fill(QColor(200, 200, 200));
            return i;
        }();
        auto render = [&](const OptRect& crop, QSizeF px = QSizeF(800, 400)) {
            QImage out(400, 244, QImage::Format_ARGB32_Premultiplied);
            out.fill(Qt::transparent);
            QPainter p(&out);
            ScaledImageCache cache;
            CropCanvasView{grey, px, crop, accent}.draw(p, QSizeF(400, 244), &cache);
            p.end();
            return out;
        };
        const QColor dimmed(90, 90, 90); // 200 under black at 0.55

        const QImage plain = render(std::nullopt);
        QCOMPARE(plain.pixelColor(200, 10).alpha(), 0); // the band stays transparent
        QVERIFY(near(plain.pixelColor(10, 100), QColor(200, 200, 200)));

        const QImage cropped = render(QRectF(100, 50, 300, 300));
        QVERIFY(near(cropped.pixelColor(300, 100), dimmed));                // outside the crop
        QVERIFY(near(cropped.pixelColor(120, 110), QColor(200, 200, 200))); // inside
        QVERIFY(near(cropped.pixelColor(50, 120), accent, 30));             // outline
        QVERIFY(near(cropped.pixelColor(47, 44), accent));                  // corner handle
        QCOMPARE(cropped.pixelColor(200, 10).alpha(), 0);

        // A crop of the whole image darkens nothing.
        const QImage whole = render(QRectF(0, 0, 800, 400));
        QVERIFY(near(whole.pixelColor(300, 60), QColor(200, 200, 200)));

        // An image without pixels draws nothing at all.
        const QImage empty = render(QRectF(0, 0, 10, 10), QSizeF(0, 400));
        QCOMPARE(empty.pixelColor(200, 120).alpha(), 0);
    }

    void drawingStaysSharpOnHighDensityScreens()
    {
        // One-pixel stripes drawn at half size in points fill exactly one
        // device pixel each on a 2x screen: nothing may blur them to grey.
        QImage stripes(400, 200, QImage::Format_RGB32);
        for (int x = 0; x < 400; ++x)
            for (int y = 0; y < 200; ++y)
                stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        QImage out(400, 240, QImage::Format_ARGB32_Premultiplied);
        out.setDevicePixelRatio(2);
        out.fill(Qt::transparent);
        QPainter p(&out);
        ScaledImageCache cache;
        CropCanvasView{stripes, QSizeF(400, 200), std::nullopt, Qt::white}.draw(p, QSizeF(200, 120),
                                                                                &cache);
        p.end();
        // The image fills (0, 10) - (200, 110) points, (0, 20) - (400, 220) pixels.
        for (int x = 100; x < 110; ++x)
            QCOMPARE(qGray(out.pixel(x, 120)), x % 2 ? 255 : 0);
    }

    void integerParts_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 300.0 << "300";
        QTest::newRow("fraction dropped") << 299.99 << "299";
        QTest::newRow("no grouping") << 16384.0 << "16384";
        QTest::newRow("small negative is 0") << -0.5 << "0";
        QTest::newRow("negative") << -3.7 << "-3";
        QTest::newRow("not a number") << std::nan("") << "0";
    }
    void integerParts()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(integerPartText(value), text);
    }

    void statusTexts()
    {
        QCOMPARE(cropStatusText(QSizeF(1024, 768), QRectF(10.0, 20.0, 300.0, 300.0)),
                 QStringLiteral("切り出し 300 × 300 px（位置 10, 20）"));
        QCOMPARE(cropStatusText(QSizeF(1024, 768), QRectF(10.6, 20.2, 299.9, 299.9)),
                 QStringLiteral("切り出し 299 × 299 px（位置 10, 20）"));
        QCOMPARE(cropStatusText(QSizeF(1024, 768), std::nullopt),
                 QStringLiteral("未選択 — 画像全体を使用（1024 × 768 px）"));
        QCOMPARE(fileNameText(QStringLiteral("RAO 30°.png")), QStringLiteral("✓ RAO 30°.png"));
    }
};

QTEST_MAIN(CropRulesTest)
#include "tst_croprules.moc"
