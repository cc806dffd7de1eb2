#include "compose/Geometry.h"

#include <QTest>

#include <cmath>

using OptRect = std::optional<QRectF>;

class GeometryTest : public QObject {
    Q_OBJECT

private slots:
    // The part of a 400 x 300 image a crop takes: snapped outwards to whole
    // pixels and cut at the edges; no usable crop is the whole image.
    void cropRegion_data()
    {
        QTest::addColumn<OptRect>("crop");
        QTest::addColumn<QRect>("expected");
        const QRect all(0, 0, 400, 300);
        auto row = [](const char* n, QRectF c, QRect e) { QTest::newRow(n) << OptRect(c) << e; };
        QTest::newRow("no crop") << OptRect() << all;
        row("snapped outwards", {10.4, 20.6, 99.2, 99.9}, {10, 20, 100, 101});
        row("negative size normalised", {10, 10, -5.5, -2}, {4, 8, 6, 2});
        row("cut at the right edge", {350, 0, 100, 100}, {350, 0, 50, 100});
        row("touching the right edge", {400, 0, 10, 10}, all);
        row("beyond int", {-9e18, -9e18, 2e19, 2e19}, all);
        row("NaN", {std::nan(""), 0, 10, 10}, all);
    }
    void cropRegion()
    {
        QFETCH(OptRect, crop);
        QFETCH(QRect, expected);
        QCOMPARE(::cropRegion(QSize(400, 300), crop), expected);
    }

    void pixelRules()
    {
        QCOMPARE(integralRect({-3.5, -0.1, 1, 1}), QRectF(-4, -1, 2, 2)); // floor, not towards 0
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::red);
        image.setPixelColor(10, 20, Qt::blue);
        QCOMPARE(croppedImage(image, QRectF(-50, -50, 10, 10))->cacheKey(), image.cacheKey());
        QCOMPARE(croppedImage(image, QRectF(10.4, 20.6, 99.2, 99.2))->pixelColor(0, 0), Qt::blue);
        image.setDevicePixelRatio(2.0); // measured in pixels, not points
        QCOMPARE(pixelSize(image), QSizeF(400, 300));
        QCOMPARE(fittedRect({1000, 500}, {400, 400}), QRectF(0, 100, 400, 200));
        QCOMPARE(fittedRect({100, 200}, {300, 100}), QRectF(125, 0, 50, 100));
        QCOMPARE(fittedRect({std::nan(""), 5}, {400, 400}), QRectF());
    }

    // In a 400 x 300 image: fixed at the start, the larger distance wins,
    // capped by the room towards the pointer's quadrant, at least 1 by 1.
    void squareRect_data()
    {
        QTest::addColumn<QPointF>("start");
        QTest::addColumn<QPointF>("current");
        QTest::addColumn<QRectF>("expected");
        auto row = [](const char* n, QPointF s, QPointF c, QRectF e) {
            QTest::newRow(n) << s << c << e;
        };
        row("larger distance wins", {100, 100}, {130, 180}, {100, 100, 80, 80});
        row("up and left", {100, 100}, {60, 40}, {40, 40, 60, 60});
        row("capped by the corner", {350, 250}, {500, 290}, {350, 250, 50, 50});
        row("no room is 1 by 1", {400, 100}, {450, 100}, {400, 100, 1, 1});
    }
    void squareRect()
    {
        QFETCH(QPointF, start);
        QFETCH(QPointF, current);
        QFETCH(QRectF, expected);
        QCOMPARE(::squareRect(start, current, QSizeF(400, 300)), expected);
    }
};

QTEST_APPLESS_MAIN(GeometryTest)
#include "tst_geometry.moc"
