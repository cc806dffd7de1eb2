#include "compose/Geometry.h"
#include "compose/Parameters.h"

#include <QTest>

#include <cmath>

using OptRect = std::optional<QRectF>;
using OptInt = std::optional<qint64>;

class GeometryTest : public QObject {
    Q_OBJECT

private slots:
    void integralRect()
    {
        const std::pair<QRectF, QRectF> cases[] = {
            {{1, 2, 3, 4}, {1, 2, 3, 4}},
            {{10.4, 20.6, 99.2, 99.9}, {10, 20, 100, 101}}, // grows outwards
            {{10, 10, -5.5, -2}, {4, 8, 6, 2}},             // normalised
            {{-3.5, -0.1, 1, 1}, {-4, -1, 2, 2}}};
        for (const auto& [rect, expected] : cases)
            QCOMPARE(::integralRect(rect), expected);
    }

    void cropRegion()
    {
        // Snapped outwards and cut at the edges; no usable crop is the whole image.
        const QRect all(0, 0, 400, 300);
        const std::pair<OptRect, QRect> cases[] = {
            {{}, all},
            {QRectF(10.4, 20.6, 99.2, 99.2), {10, 20, 100, 100}},
            {QRectF(350, 0, 100, 100), {350, 0, 50, 100}},
            {QRectF(500, 0, 10, 10), all},
            {QRectF(400, 0, 10, 10), all},
            {QRectF(-9e18, -9e18, 2e19, 2e19), all},
            {QRectF(std::nan(""), 0, 10, 10), all}};
        for (const auto& [crop, expected] : cases)
            QCOMPARE(::cropRegion(QSize(400, 300), crop), expected);
    }

    void croppedImage()
    {
        QCOMPARE(::croppedImage(std::nullopt, QRectF(0, 0, 5, 5)), std::optional<QImage>());
        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::red);
        image.setPixelColor(10, 20, Qt::blue);
        QCOMPARE(::croppedImage(image, std::nullopt)->cacheKey(), image.cacheKey());
        QCOMPARE(::croppedImage(image, QRectF(-50, -50, 10, 10))->cacheKey(), image.cacheKey());
        const auto cut = ::croppedImage(image, QRectF(10.4, 20.6, 99.2, 99.2));
        QCOMPARE(cut->size(), QSize(100, 100));
        QCOMPARE(cut->pixelColor(0, 0), QColor(Qt::blue));
        // A HiDPI image is measured in pixels, not points.
        image.setDevicePixelRatio(2.0);
        QCOMPARE(pixelSize(image), QSizeF(400, 300));
    }

    void fittedRect()
    {
        QCOMPARE(::fittedRect({1000, 500}, {400, 400}), QRectF(0, 100, 400, 200));
        QCOMPARE(::fittedRect({100, 200}, {300, 100}), QRectF(125, 0, 50, 100));
        QCOMPARE(::fittedRect({0, 500}, {400, 400}), QRectF());
        QCOMPARE(::fittedRect({std::nan(""), 5}, {400, 400}), QRectF());
    }

    void squareRect()
    {
        // Fixed at the start, the larger distance wins, capped by the room
        // towards the pointer's quadrant, at least 1 by 1.
        const std::tuple<QPointF, QPointF, QRectF> cases[] = {
            {{100, 100}, {130, 180}, {100, 100, 80, 80}},
            {{100, 100}, {60, 40}, {40, 40, 60, 60}},
            {{100, 100}, {100, 100}, {100, 100, 1, 1}},
            {{350, 250}, {500, 290}, {350, 250, 50, 50}},
            {{400, 100}, {450, 100}, {400, 100, 1, 1}},
            {{200, 30}, {300, 0}, {200, 0, 30, 30}},
            {{20, 100}, {0, 200}, {0, 100, 20, 20}}};
        for (const auto& [start, current, expected] : cases)
            QCOMPARE(::squareRect(start, current, QSizeF(400, 300)), expected);
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
        const OptInt bad;
        QTest::newRow("plain") << "600" << OptInt(600);
        QTest::newRow("plus") << "+600" << OptInt(600);
        QTest::newRow("minus") << "-100" << OptInt(-100);
        QTest::newRow("leading zeros") << "007" << OptInt(7);
        QTest::newRow("largest") << "9223372036854775807" << OptInt(INT64_MAX);
        QTest::newRow("smallest") << "-9223372036854775808" << OptInt(INT64_MIN);
        for (const char* text :
             {"9223372036854775808", "-9223372036854775809", "99999999999999999999999", "", "-",
              "+-1", " 600", "600 ", "600.0", "6e2", "６００", "٦٠٠", "0x10"})
            QTest::addRow("invalid '%s'", text) << QString::fromUtf8(text) << bad;
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
