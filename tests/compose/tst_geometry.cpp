#include "compose/Geometry.h"
#include "compose/Parameters.h"

#include <QTest>

#include <cmath>
#include <limits>

using OptRect = std::optional<QRectF>;
Q_DECLARE_METATYPE(OptRect)

class GeometryTest : public QObject {
    Q_OBJECT

private slots:
    void integralRect_data()
    {
        QTest::addColumn<QRectF>("rect");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("whole stays") << QRectF(1, 2, 3, 4) << QRectF(1, 2, 3, 4);
        QTest::newRow("fractions grow outwards")
            << QRectF(10.4, 20.6, 99.2, 99.9) << QRectF(10, 20, 100, 101);
        QTest::newRow("half from 0.5, side 10") << QRectF(0.5, 0, 10, 10) << QRectF(0, 0, 11, 10);
        QTest::newRow("negative size normalised") << QRectF(10, 10, -5.5, -2) << QRectF(4, 8, 6, 2);
        QTest::newRow("negative origin") << QRectF(-3.5, -0.1, 1, 1) << QRectF(-4, -1, 2, 2);
    }
    void integralRect()
    {
        QFETCH(QRectF, rect);
        QFETCH(QRectF, expected);
        QCOMPARE(::integralRect(rect), expected);
    }

    void cropRegion_data()
    {
        QTest::addColumn<OptRect>("crop");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("no crop is whole image") << OptRect() << QRect(0, 0, 400, 300);
        QTest::newRow("snapped outwards")
            << OptRect(QRectF(10.4, 20.6, 99.2, 99.2)) << QRect(10, 20, 100, 100);
        QTest::newRow("cut at right edge")
            << OptRect(QRectF(350, 0, 100, 100)) << QRect(350, 0, 50, 100);
        QTest::newRow("wholly outside is whole image")
            << OptRect(QRectF(500, 0, 10, 10)) << QRect(0, 0, 400, 300);
        QTest::newRow("touching the edge is whole image")
            << OptRect(QRectF(400, 0, 10, 10)) << QRect(0, 0, 400, 300);
        QTest::newRow("huge values")
            << OptRect(QRectF(-9e18, -9e18, 2e19, 2e19)) << QRect(0, 0, 400, 300);
        QTest::newRow("not a number")
            << OptRect(QRectF(std::nan(""), 0, 10, 10)) << QRect(0, 0, 400, 300);
    }
    void cropRegion()
    {
        QFETCH(OptRect, crop);
        QFETCH(QRect, expected);
        QCOMPARE(::cropRegion(QSize(400, 300), crop), expected);
    }

    void croppedImage()
    {
        QCOMPARE(::croppedImage(std::nullopt, QRectF(0, 0, 5, 5)), std::optional<QImage>());

        QImage image(400, 300, QImage::Format_RGB32);
        image.fill(Qt::red);
        image.setPixelColor(10, 20, Qt::blue);
        const auto same = ::croppedImage(image, std::nullopt);
        QVERIFY(same && same->cacheKey() == image.cacheKey());

        const auto cut = ::croppedImage(image, QRectF(10.4, 20.6, 99.2, 99.2));
        QVERIFY(cut);
        QCOMPARE(cut->size(), QSize(100, 100));
        QCOMPARE(cut->pixelColor(0, 0), QColor(Qt::blue));

        const auto outside = ::croppedImage(image, QRectF(-50, -50, 10, 10));
        QVERIFY(outside && outside->cacheKey() == image.cacheKey());

        // A HiDPI image is measured in pixels, not points.
        QImage hidpi(400, 200, QImage::Format_RGB32);
        hidpi.setDevicePixelRatio(2.0);
        QCOMPARE(pixelSize(hidpi), QSizeF(400, 200));
    }

    void fittedRect_data()
    {
        QTest::addColumn<QSizeF>("image");
        QTest::addColumn<QSizeF>("container");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("wide in square")
            << QSizeF(1000, 500) << QSizeF(400, 400) << QRectF(0, 100, 400, 200);
        QTest::newRow("tall in wide")
            << QSizeF(100, 200) << QSizeF(300, 100) << QRectF(125, 0, 50, 100);
        QTest::newRow("zero width") << QSizeF(0, 500) << QSizeF(400, 400) << QRectF(0, 0, 0, 0);
        QTest::newRow("not a number")
            << QSizeF(std::nan(""), 5) << QSizeF(400, 400) << QRectF(0, 0, 0, 0);
    }
    void fittedRect()
    {
        QFETCH(QSizeF, image);
        QFETCH(QSizeF, container);
        QFETCH(QRectF, expected);
        QCOMPARE(::fittedRect(image, container), expected);
    }

    void squareRect_data()
    {
        QTest::addColumn<QPointF>("start");
        QTest::addColumn<QPointF>("current");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("down right, larger distance wins")
            << QPointF(100, 100) << QPointF(130, 180) << QRectF(100, 100, 80, 80);
        QTest::newRow("up left") << QPointF(100, 100) << QPointF(60, 40) << QRectF(40, 40, 60, 60);
        QTest::newRow("no movement is 1 by 1")
            << QPointF(100, 100) << QPointF(100, 100) << QRectF(100, 100, 1, 1);
        QTest::newRow("capped by room")
            << QPointF(350, 250) << QPointF(500, 290) << QRectF(350, 250, 50, 50);
        QTest::newRow("room of 0 is raised to 1")
            << QPointF(400, 100) << QPointF(450, 100) << QRectF(400, 100, 1, 1);
        QTest::newRow("up right capped by top")
            << QPointF(200, 30) << QPointF(300, 0) << QRectF(200, 0, 30, 30);
        QTest::newRow("down left capped by left")
            << QPointF(20, 100) << QPointF(0, 200) << QRectF(0, 100, 20, 20);
    }
    void squareRect()
    {
        QFETCH(QPointF, start);
        QFETCH(QPointF, current);
        QFETCH(QRectF, expected);
        QCOMPARE(::squareRect(start, current, QSizeF(400, 300)), expected);
    }

    void squareStaysInside()
    {
        const QSizeF bounds(37, 23);
        for (double sx = 0; sx <= 37; sx += 3.7)
            for (double sy = 0; sy <= 23; sy += 2.3)
                for (double cx = -10; cx <= 50; cx += 7)
                    for (double cy = -10; cy <= 40; cy += 7) {
                        const QRectF r = ::squareRect({sx, sy}, {cx, cy}, bounds);
                        QCOMPARE(r.width(), r.height());
                        QVERIFY(r.width() >= 1);
                        if (sx < 37 && sy < 23 && r.width() > 1) {
                            QVERIFY(r.left() >= -1e-9 && r.top() >= -1e-9);
                            QVERIFY(r.right() <= 37 + 1e-9 && r.bottom() <= 23 + 1e-9);
                        }
                    }
    }

    void parseParameter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<qint64>>("expected");
        const std::optional<qint64> invalid;
        QTest::newRow("plain") << "600" << std::optional<qint64>(600);
        QTest::newRow("plus sign") << "+600" << std::optional<qint64>(600);
        QTest::newRow("minus sign") << "-100" << std::optional<qint64>(-100);
        QTest::newRow("leading zeros") << "007" << std::optional<qint64>(7);
        QTest::newRow("largest") << "9223372036854775807"
                                 << std::optional<qint64>(std::numeric_limits<qint64>::max());
        QTest::newRow("smallest") << "-9223372036854775808"
                                  << std::optional<qint64>(std::numeric_limits<qint64>::min());
        QTest::newRow("one beyond largest") << "9223372036854775808" << invalid;
        QTest::newRow("one beyond smallest") << "-9223372036854775809" << invalid;
        QTest::newRow("far beyond") << "99999999999999999999999" << invalid;
        QTest::newRow("empty") << "" << invalid;
        QTest::newRow("lone minus") << "-" << invalid;
        QTest::newRow("double sign") << "+-1" << invalid;
        QTest::newRow("leading space") << " 600" << invalid;
        QTest::newRow("trailing space") << "600 " << invalid;
        QTest::newRow("decimal point") << "600.0" << invalid;
        QTest::newRow("exponent") << "6e2" << invalid;
        QTest::newRow("full-width digits") << "６００" << invalid;
        QTest::newRow("arabic-indic digits") << "٦٠٠" << invalid;
        QTest::newRow("hex") << "0x10" << invalid;
    }
    void parseParameter()
    {
        QFETCH(QString, text);
        QFETCH(std::optional<qint64>, expected);
        QCOMPARE(::parseParameter(text), expected);
    }
};

QTEST_APPLESS_MAIN(GeometryTest)
#include "tst_geometry.moc"
