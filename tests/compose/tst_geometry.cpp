#include "compose/Geometry.h"
#include "compose/Parameters.h"

#include <QTest>

#include <cmath>

using OptRect = std::optional<QRectF>;
using OptInt = std::optional<qint64>;

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
        auto row = [](const char* name, QRectF crop, QRect expected) {
            QTest::newRow(name) << OptRect(crop) << expected;
        };
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
        QCOMPARE(croppedImage(std::nullopt, QRectF(0, 0, 5, 5)), std::optional<QImage>());
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::red);
        image.setPixelColor(10, 20, Qt::blue);
        QCOMPARE(croppedImage(image, QRectF(-50, -50, 10, 10))->cacheKey(), image.cacheKey());
        const auto cut = croppedImage(image, QRectF(10.4, 20.6, 99.2, 99.2));
        QCOMPARE(cut->size(), QSize(100, 100));
        QCOMPARE(cut->pixelColor(0, 0), QColor(Qt::blue));
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
        auto row = [](const char* name, QPointF start, QPointF current, QRectF expected) {
            QTest::newRow(name) << start << current << expected;
        };
        row("larger distance wins", {100, 100}, {130, 180}, {100, 100, 80, 80});
        row("up and left", {100, 100}, {60, 40}, {40, 40, 60, 60});
        row("no distance is 1 by 1", {100, 100}, {100, 100}, {100, 100, 1, 1});
        row("capped by the corner", {350, 250}, {500, 290}, {350, 250, 50, 50});
        row("no room is 1 by 1", {400, 100}, {450, 100}, {400, 100, 1, 1});
        row("capped by the top", {200, 30}, {300, 0}, {200, 0, 30, 30});
    }
    void squareRect()
    {
        QFETCH(QPointF, start);
        QFETCH(QPointF, current);
        QFETCH(QRectF, expected);
        QCOMPARE(::squareRect(start, current, QSizeF(400, 300)), expected);
    }

    void squareNeverLeavesTheImage()
    {
        for (double sx = 0; sx < 37; sx += 3.7)
            for (double sy = 0; sy < 23; sy += 2.3)
                for (double cx = -10; cx <= 50; cx += 7)
                    for (double cy = -10; cy <= 40; cy += 7) {
                        const QRectF r = ::squareRect({sx, sy}, {cx, cy}, QSizeF(37, 23));
                        QVERIFY(r.width() == r.height() && r.width() >= 1);
                        if (r.width() > 1)
                            QVERIFY(QRectF(-1e-9, -1e-9, 37 + 2e-9, 23 + 2e-9).contains(r));
                    }
    }

    void parseParameter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<OptInt>("expected");
        QTest::newRow("plus") << "+600" << OptInt(600);
        QTest::newRow("minus, leading zeros") << "-007" << OptInt(-7);
        QTest::newRow("largest") << "9223372036854775807" << OptInt(INT64_MAX);
        QTest::newRow("smallest") << "-9223372036854775808" << OptInt(INT64_MIN);
        for (const char* text : {"9223372036854775808", "-9223372036854775809", "", "-", "+-1",
                                 " 600", "600 ", "600.0", "6e2", "６００", "٦٠٠", "0x10"})
            QTest::addRow("invalid '%s'", text) << QString::fromUtf8(text) << OptInt();
    }
    void parseParameter()
    {
        QFETCH(QString, text);
        QFETCH(OptInt, expected);
        QCOMPARE(::parseParameter(text), expected);
    }
};

QTEST_APPLESS_MAIN(GeometryTest)
#include "tst_geometry.moc"
