#include "slots/CropCanvasView.h"
#include "slots/CropDrag.h"
#include "slots/CropGeometry.h"
#include "slots/SlotTexts.h"

#include "support/SlotFixtures.h"

#include <QPainter>
#include <QTest>

#include <cmath>
#include <limits>

using OptRect = std::optional<QRectF>;

namespace {
// An 800 x 400 image in a 400 x 244 editor: drawn at half size, 22 points
// below the top (bands above and below).
const EditorGeometry wide = EditorGeometry::of(QSizeF(800, 400), QSizeF(400, 244));
const double inf = std::numeric_limits<double>::infinity();
} // namespace

// The crop editor's rules where the mouse cannot reach them; the mouse
// behaviour itself is tested on the real editor.
class CropRulesTest : public QObject {
    Q_OBJECT

private slots:
    void viewToImageOfBadPoints()
    {
        QCOMPARE(wide.viewToImage(QPointF(std::nan(""), std::nan(""))), QPointF(0, 0));
        QCOMPARE(wide.viewToImage(QPointF(inf, -inf)), QPointF(800, 0));
        for (const QSizeF px : {QSizeF(0, 0), QSizeF(100, 0)}) // an image without pixels
            QCOMPARE(EditorGeometry::of(px, QSizeF(400, 244)).viewToImage({50, 50}), QPointF(0, 0));
    }

    // What the editor draws; whatever looks different after the square moves
    // lies in the area the editor repaints, a small part of it; a square that
    // comes or goes repaints everything.
    void drawing()
    {
        const QColor accent(79, 142, 247), grey(200, 200, 200);
        const QColor dimmed(90, 90, 90); // grey under black at 0.55
        QImage image(800, 400, QImage::Format_RGB32);
        image.fill(grey);
        const QSizeF area(400, 244);
        auto render = [&](const OptRect& crop, QSizeF px = QSizeF(800, 400)) {
            QImage out(area.toSize(), QImage::Format_ARGB32_Premultiplied);
            out.fill(Qt::transparent);
            QPainter p(&out);
            ScaledImage cache;
            CropCanvasView{image, px, crop, accent}.draw(p, area, &cache);
            p.end();
            return out;
        };
        const QRectF before(100, 50, 300, 300), after(160, 70, 250, 250);
        const QImage cropped = render(before);
        QCOMPARE(cropped.pixelColor(200, 10).alpha(), 0);       // the band stays transparent
        QVERIFY(near(cropped.pixelColor(300, 100), dimmed));    // outside the crop
        QVERIFY(near(cropped.pixelColor(120, 110), grey));      // inside
        QVERIFY(near(cropped.pixelColor(50, 120), accent, 30)); // outline
        QVERIFY(near(cropped.pixelColor(47, 44), accent));      // corner handle
        // A crop of the whole image darkens nothing; an image without pixels
        // draws nothing at all.
        QVERIFY(near(render(QRectF(0, 0, 800, 400)).pixelColor(300, 60), grey));
        QCOMPARE(render(QRectF(0, 0, 10, 10), QSizeF(0, 400)).pixelColor(200, 120).alpha(), 0);

        const QRect changed = changedArea(area, QSizeF(800, 400), before, after).toAlignedRect();
        const QImage moved = render(after);
        for (int y = 0; y < moved.height(); ++y)
            for (int x = 0; x < moved.width(); ++x)
                if (cropped.pixel(x, y) != moved.pixel(x, y))
                    QVERIFY2(changed.contains(x, y),
                             qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        QVERIFY(changed.width() * changed.height() < moved.width() * moved.height() / 2);
        QCOMPARE(changedArea(area, QSizeF(800, 400), std::nullopt, after), QRectF(QPointF(), area));
        QCOMPARE(changedArea(area, QSizeF(800, 400), before, std::nullopt),
                 QRectF(QPointF(), area));
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
        ScaledImage cache;
        CropCanvasView{stripes, QSizeF(400, 200), std::nullopt, Qt::white}.draw(p, QSizeF(200, 120),
                                                                                &cache);
        p.end();
        // The image fills (0, 10) - (200, 110) points, (0, 20) - (400, 220) pixels.
        for (int x = 100; x < 110; ++x)
            QCOMPARE(qGray(out.pixel(x, 120)), x % 2 ? 255 : 0);
    }

    void integerParts()
    {
        QCOMPARE(integerPartText(299.99), QStringLiteral("299"));
        QCOMPARE(integerPartText(16384), QStringLiteral("16384")); // no grouping
        QCOMPARE(integerPartText(-0.5), QStringLiteral("0"));      // not "-0"
        QCOMPARE(integerPartText(std::nan("")), QStringLiteral("0"));
    }
};

QTEST_MAIN(CropRulesTest)
#include "tst_croprules.moc"
