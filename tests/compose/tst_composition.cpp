#include "compose/Composition.h"
#include "compose/ImagePyramid.h"
#include "compose/ResampleAxis.h"
#include "compose/ResampleKernels.h"
#include "compose/Resampler.h"
#include "support/AngioImage.h"
#include "support/Pixels.h"

#include <QColorSpace>
#include <QRandomGenerator>
#include <QTest>

#include <limits>
#include <numeric>

using testsupport::near;
using testsupport::Rgba;
using testsupport::rgbaAt;
using testsupport::solidImage;

namespace {

constexpr qint64 maxInt = std::numeric_limits<qint64>::max();
constexpr qint64 minInt = std::numeric_limits<qint64>::min();

const Rgba lightGreen{204, 255, 204, 255};
const Rgba black{0, 0, 0, 255};
const Rgba red{255, 0, 0, 255};
const Rgba blue{0, 0, 255, 255};

struct Background {
    qint64 r = 204, g = 255, b = 204, a = 255;
};

Compositor::Picture whole(const QImage& image)
{
    return {image, image.rect()};
}

Compositor::Picture none()
{
    return {QImage(), QRect()};
}

QImage compose(const Compositor::Picture& p1, const Compositor::Picture& p2,
               CompositionParams params, Background bg = {})
{
    Compositor compositor;
    const std::optional<QImage> result = compositor.compose(p1, p2, params, bg.r, bg.g, bg.b, bg.a);
    return result ? *result : QImage();
}

// Draws `region` of `image` into `dest` on a canvas filled with `fill`.
QImage drawOn(QSize canvasSize, Rgba fill, const QImage& image, QRect region, QRectF dest)
{
    QImage canvas(canvasSize, QImage::Format_RGBA8888_Premultiplied);
    canvas.fill(QColor(fill[0], fill[1], fill[2], fill[3]));
    const ImagePyramid pyramid(image);
    drawResampled(canvas, pyramid, region, dest);
    return canvas;
}

// Intensity-weighted centre of channel 0 along row y, in canvas coordinates
// (pixel x spans x .. x + 1).
double centroid(const QImage& image, int y)
{
    double sum = 0;
    double moment = 0;
    for (int x = 0; x < image.width(); ++x) {
        const double v = rgbaAt(image, x, y)[0];
        sum += v;
        moment += v * (x + 0.5);
    }
    return moment / sum;
}

} // namespace

Q_DECLARE_METATYPE(Background)
Q_DECLARE_METATYPE(Rgba)
Q_DECLARE_METATYPE(CompositionParams)

class CompositionTest : public QObject {
    Q_OBJECT

private slots:
    void canvasLimits_data()
    {
        QTest::addColumn<qint64>("width");
        QTest::addColumn<qint64>("height");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("default") << qint64(1190) << qint64(600) << true;
        QTest::newRow("widest side") << qint64(32767) << qint64(1) << true;
        QTest::newRow("side too wide") << qint64(32768) << qint64(1) << false;
        QTest::newRow("side too tall") << qint64(1) << qint64(32768) << false;
        QTest::newRow("largest area") << qint64(16384) << qint64(16384) << true;
        QTest::newRow("area too large") << qint64(16384) << qint64(16385) << false;
        QTest::newRow("largest number") << maxInt << maxInt << false;
    }
    void canvasLimits()
    {
        QFETCH(qint64, width);
        QFETCH(qint64, height);
        QFETCH(bool, allowed);
        QCOMPARE(canvasSizeAllowed(width, height), allowed);
        // A refused canvas is never allocated: compose answers at once.
        if (!allowed) {
            Compositor compositor;
            const QImage picture = solidImage(4, 4, Qt::red);
            QVERIFY(!compositor.compose(whole(picture), whole(picture),
                                        {width, height, 580, 300, 890, 300}, 0, 0, 0, 255));
        }
    }

    void placement_data()
    {
        QTest::addColumn<QSizeF>("picture");
        QTest::addColumn<qint64>("imgSize");
        QTest::addColumn<QRectF>("expected");
        QTest::newRow("square fills the box")
            << QSizeF(100, 100) << qint64(580) << QRectF(10, 10, 580, 580);
        QTest::newRow("wide is fitted by width")
            << QSizeF(1000, 500) << qint64(580) << QRectF(10, 155, 580, 290);
        QTest::newRow("tall is fitted by height")
            << QSizeF(50, 200) << qint64(580) << QRectF(227.5, 10, 145, 580);
        QTest::newRow("odd size gives half pixels")
            << QSizeF(100, 100) << qint64(581) << QRectF(9.5, 9.5, 581, 581);
    }
    void placement()
    {
        QFETCH(QSizeF, picture);
        QFETCH(qint64, imgSize);
        QFETCH(QRectF, expected);
        QCOMPARE(placementRect(picture, imgSize, 300, 300), expected);
    }

    void background_data()
    {
        QTest::addColumn<Background>("bg");
        QTest::addColumn<Rgba>("expected");
        QTest::newRow("opaque light green") << Background{} << lightGreen;
        QTest::newRow("fully transparent") << Background{0, 0, 0, 0} << Rgba{0, 0, 0, 0};
        QTest::newRow("transparent colour drops out")
            << Background{255, 255, 255, 0} << Rgba{0, 0, 0, 0};
        QTest::newRow("half transparent is premultiplied")
            << Background{255, 100, 0, 128} << Rgba{128, 50, 0, 128};
        QTest::newRow("white") << Background{255, 255, 255, 255} << Rgba{255, 255, 255, 255};
    }
    void background()
    {
        QFETCH(Background, bg);
        QFETCH(Rgba, expected);
        // Both pictures off the canvas: background everywhere.
        const QImage picture = solidImage(10, 10, Qt::red);
        const QImage canvas =
            compose(whole(picture), whole(picture), {40, 30, 10, -100, -100, 15}, bg);
        QCOMPARE(canvas.size(), QSize(40, 30));
        QCOMPARE(canvas.format(), QImage::Format_RGBA8888_Premultiplied);
        QCOMPARE(canvas.colorSpace(), QColorSpace(QColorSpace::SRgb));
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                QCOMPARE(rgbaAt(canvas, x, y), expected);
    }

    // A solid picture lands exactly where its rectangle says, with whole
    // pixels inside, background outside and the share of partly covered
    // pixels at the edges.
    void solidPlacement_data()
    {
        QTest::addColumn<QSize>("pictureSize");
        QTest::addColumn<qint64>("imgSize");
        QTest::addColumn<qint64>("cx");
        QTest::addColumn<qint64>("cy");
        QTest::newRow("reduced, whole-pixel edges")
            << QSize(100, 100) << qint64(40) << qint64(30) << qint64(25);
        QTest::newRow("enlarged, whole-pixel edges")
            << QSize(7, 7) << qint64(42) << qint64(30) << qint64(25);
        QTest::newRow("odd size, half-pixel edges")
            << QSize(100, 100) << qint64(41) << qint64(30) << qint64(25);
        QTest::newRow("wide picture, quarter edges")
            << QSize(200, 100) << qint64(41) << qint64(30) << qint64(25);
        QTest::newRow("clipped at the left and top")
            << QSize(50, 50) << qint64(41) << qint64(3) << qint64(-2);
        QTest::newRow("clipped at the right and bottom")
            << QSize(50, 50) << qint64(41) << qint64(58) << qint64(47);
        QTest::newRow("one pixel picture") << QSize(1, 1) << qint64(9) << qint64(10) << qint64(10);
    }
    void solidPlacement()
    {
        QFETCH(QSize, pictureSize);
        QFETCH(qint64, imgSize);
        QFETCH(qint64, cx);
        QFETCH(qint64, cy);
        const QImage picture = solidImage(pictureSize.width(), pictureSize.height(), Qt::red);
        const CompositionParams params{60, 50, imgSize, cx, -1000, cy};
        const QImage canvas =
            compose(whole(picture), whole(picture), params, Background{0, 0, 255, 255});
        const QRectF dest = placementRect(QSizeF(pictureSize), imgSize, cx, cy);
        for (int y = 0; y < canvas.height(); ++y) {
            const double coverY = std::clamp(
                std::min(y + 1.0, dest.bottom()) - std::max(double(y), dest.top()), 0.0, 1.0);
            for (int x = 0; x < canvas.width(); ++x) {
                const double coverX = std::clamp(
                    std::min(x + 1.0, dest.right()) - std::max(double(x), dest.left()), 0.0, 1.0);
                const double c = coverX * coverY;
                const Rgba expected{int(std::lround(255 * c)), 0, int(std::lround(255 * (1 - c))),
                                    255};
                if (!near(rgbaAt(canvas, x, y), expected, 1))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3,%4,%5,%6, coverage %7")
                                         .arg(x)
                                         .arg(y)
                                         .arg(rgbaAt(canvas, x, y)[0])
                                         .arg(rgbaAt(canvas, x, y)[1])
                                         .arg(rgbaAt(canvas, x, y)[2])
                                         .arg(rgbaAt(canvas, x, y)[3])
                                         .arg(c)));
            }
        }
    }

    void defaultLayoutMargins()
    {
        const QImage p1 = solidImage(300, 300, Qt::red);
        const QImage p2 = solidImage(300, 300, Qt::blue);
        const QImage canvas = compose(whole(p1), whole(p2), {1190, 600, 580, 300, 890, 300});
        // Pictures at x 10-590 and 600-1180, y 10-590; a 10-pixel margin.
        const std::pair<QPoint, Rgba> probes[] = {
            {{9, 300}, lightGreen},   {{10, 300}, red},          {{589, 300}, red},
            {{590, 300}, lightGreen}, {{599, 300}, lightGreen},  {{600, 300}, blue},
            {{1179, 300}, blue},      {{1180, 300}, lightGreen}, {{300, 9}, lightGreen},
            {{300, 10}, red},         {{300, 589}, red},         {{300, 590}, lightGreen},
            {{0, 0}, lightGreen},     {{1189, 599}, lightGreen}};
        for (const auto& [at, expected] : probes)
            QCOMPARE(rgbaAt(canvas, at.x(), at.y()), expected);
    }

    void pictureTwoCoversPictureOne()
    {
        const QImage p1 = solidImage(50, 50, Qt::red);
        const QImage p2 = solidImage(50, 50, Qt::blue);
        // Same centre: picture 2 hides picture 1 completely.
        QImage canvas = compose(whole(p1), whole(p2), {60, 60, 20, 30, 30, 30});
        for (int y = 20; y < 40; ++y)
            for (int x = 20; x < 40; ++x)
                QCOMPARE(rgbaAt(canvas, x, y), blue);
        // Overlapping by half: the shared part is picture 2's.
        canvas = compose(whole(p1), whole(p2), {60, 60, 20, 20, 30, 30});
        QCOMPARE(rgbaAt(canvas, 15, 30), red);
        QCOMPARE(rgbaAt(canvas, 25, 30), blue);
        QCOMPARE(rgbaAt(canvas, 35, 30), blue);
    }

    void transparency()
    {
        // A half-transparent picture over a transparent canvas keeps its
        // premultiplied colour; over an opaque one it blends source-over.
        const QImage picture = solidImage(20, 20, QColor(255, 0, 0, 128));
        QImage canvas =
            compose(whole(picture), none(), {30, 30, 10, 15, 0, 15}, Background{0, 0, 0, 0});
        QVERIFY(near(rgbaAt(canvas, 15, 15), Rgba{128, 0, 0, 128}, 1));
        QCOMPARE(rgbaAt(canvas, 2, 2), (Rgba{0, 0, 0, 0}));
        canvas =
            compose(whole(picture), none(), {30, 30, 10, 15, 0, 15}, Background{0, 0, 255, 255});
        QVERIFY(near(rgbaAt(canvas, 15, 15), Rgba{128, 0, 127, 255}, 1));
        // A fully transparent picture leaves the background as it is.
        const QImage clear = solidImage(20, 20, QColor(0, 255, 0, 0));
        canvas = compose(whole(clear), none(), {30, 30, 10, 15, 0, 15});
        QCOMPARE(rgbaAt(canvas, 15, 15), lightGreen);
    }

    void cropSelectsRegion()
    {
        // Left half red, right half blue; the crop takes the blue half only.
        QImage image = solidImage(100, 50, Qt::red);
        for (int y = 0; y < 50; ++y)
            for (int x = 50; x < 100; ++x)
                image.setPixelColor(x, y, Qt::blue);
        const QImage canvas =
            compose({image, QRect(50, 0, 50, 50)}, none(), {40, 40, 20, 20, 0, 20});
        for (int y = 10; y < 30; ++y)
            for (int x = 10; x < 30; ++x)
                QCOMPARE(rgbaAt(canvas, x, y), blue);
    }

    // Nothing outside the crop reaches the picture, whatever the scale and
    // however the crop lies against the reduced copies' pixel grid.
    void noBleedFromOutsideCrop_data()
    {
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<qint64>("imgSize");
        QTest::newRow("enlarged 5.8 times") << QRect(101, 203, 100, 100) << qint64(580);
        QTest::newRow("reduced 1.3 times") << QRect(101, 203, 754, 754) << qint64(580);
        QTest::newRow("reduced 3.5 times") << QRect(33, 17, 2031, 2031) << qint64(581);
        QTest::newRow("reduced 7 times, odd offsets") << QRect(7, 5, 2037, 2037) << qint64(291);
        QTest::newRow("reduced 60 times") << QRect(3, 9, 2041, 2041) << qint64(34);
        QTest::newRow("one pixel enlarged") << QRect(1000, 1000, 1, 1) << qint64(25);
    }
    void noBleedFromOutsideCrop()
    {
        QFETCH(QRect, crop);
        QFETCH(qint64, imgSize);
        static const QImage image = [] {
            // Bright red all round, dark grey noise inside.
            QImage im(2100, 2100, QImage::Format_RGBA8888);
            im.fill(Qt::red);
            return im;
        }();
        QImage source = image;
        QRandomGenerator rng(3);
        for (int y = crop.top(); y <= crop.bottom(); ++y) {
            uchar* line = source.scanLine(y);
            for (int x = crop.left(); x <= crop.right(); ++x) {
                const uchar v = uchar(rng.bounded(40, 200));
                line[4 * x] = 0;
                line[4 * x + 1] = v;
                line[4 * x + 2] = v;
                line[4 * x + 3] = 255;
            }
        }
        const QImage canvas = compose({source, crop}, none(), {700, 700, imgSize, 350, 0, 350},
                                      Background{0, 0, 0, 255});
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if (rgbaAt(canvas, x, y)[0] != 0)
                    QFAIL(qPrintable(QStringLiteral("red at %1,%2").arg(x).arg(y)));
    }

    // A 1-pixel black and white checkerboard reduced to 580 is an even grey.
    void checkerboardIsEvenGrey_data()
    {
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<qint64>("imgSize");
        QTest::newRow("2048 to 580") << QRect(13, 13, 2048, 2048) << qint64(580);
        QTest::newRow("2048 to 580, even offset") << QRect(0, 0, 2048, 2048) << qint64(580);
        QTest::newRow("1024 to 580") << QRect(5, 8, 1024, 1024) << qint64(580);
        QTest::newRow("2048 to 581") << QRect(1, 2, 2048, 2048) << qint64(581);
        QTest::newRow("2048 to 1100") << QRect(1, 2, 2048, 2048) << qint64(1100);
    }
    void checkerboardIsEvenGrey()
    {
        QFETCH(QRect, crop);
        QFETCH(qint64, imgSize);
        static const QImage board = testsupport::checkerboard(2100, 2100);
        const QImage canvas = compose({board, crop}, none(), {1200, 1200, imgSize, 600, 0, 600});
        const QRectF dest = placementRect(QSizeF(crop.size()), imgSize, 600, 600);
        const QRect inner = dest.toAlignedRect().adjusted(3, 3, -3, -3);
        const testsupport::Spread s = testsupport::spreadOf(canvas, inner, 0);
        qInfo("checkerboard %s: mean %.2f, standard deviation %.3f", QTest::currentDataTag(),
              s.mean, s.deviation);
        QVERIFY2(s.deviation <= 2.0, qPrintable(QString::number(s.deviation)));
        QVERIFY(std::abs(s.mean - 127.5) < 3);
    }

    // A 1-pixel line lands within 0.1 pixel of where it belongs, at every
    // quarter-pixel offset and at several scales.
    void lineLandsInPlace_data()
    {
        QTest::addColumn<double>("offset");
        QTest::addColumn<double>("scale");
        for (double scale : {1.0, 0.75, 1.5, 5.8, 0.4, 0.3, 0.12})
            for (double offset : {0.0, 0.25, 0.5, 0.75})
                QTest::addRow("scale %.2f offset %.2f", scale, offset) << offset << scale;
    }
    void lineLandsInPlace()
    {
        QFETCH(double, offset);
        QFETCH(double, scale);
        // A white vertical line at column 40 of an 81 x 81 black picture.
        QImage picture = solidImage(81, 81, Qt::black);
        for (int y = 0; y < 81; ++y)
            picture.setPixelColor(40, y, Qt::white);
        const QRectF dest(20 + offset, 10 + offset, 81 * scale, 81 * scale);
        const QImage canvas = drawOn(QSize(int(dest.right()) + 20, int(dest.bottom()) + 20), black,
                                     picture, picture.rect(), dest);
        const double expected = dest.left() + 40.5 * scale;
        const double measured = centroid(canvas, int(dest.center().y()));
        QVERIFY2(std::abs(measured - expected) <= 0.1,
                 qPrintable(QStringLiteral("line at %1, expected %2").arg(measured).arg(expected)));
    }

    // A white picture whose left edge falls on x.5 over black gives that
    // column half coverage.
    void halfPixelEdge()
    {
        const QImage white = solidImage(100, 100, Qt::white);
        // imgSize 51 centred on 100: left edge at 74.5.
        const QImage canvas =
            compose(whole(white), none(), {200, 200, 51, 100, 0, 100}, Background{0, 0, 0, 255});
        const Rgba edge = rgbaAt(canvas, 74, 100);
        QVERIFY2(std::abs(edge[0] - 128) <= 3, qPrintable(QString::number(edge[0])));
        QCOMPARE(rgbaAt(canvas, 73, 100), black);
        QCOMPARE(rgbaAt(canvas, 75, 100), (Rgba{255, 255, 255, 255}));
        // The right edge at 125.5 and the corner (a quarter).
        QVERIFY(std::abs(rgbaAt(canvas, 125, 100)[0] - 128) <= 3);
        QVERIFY(std::abs(rgbaAt(canvas, 74, 74)[0] - 64) <= 3);
    }

    // A 100-pixel crop enlarged 5.8 times is smooth: a ramp of 10 levels per
    // source pixel rises by about 1.7 levels per canvas pixel everywhere,
    // never in blocks.
    void enlargementIsSmooth()
    {
        QImage ramp(300, 100, QImage::Format_Grayscale8);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 300; ++x)
                ramp.scanLine(y)[x] = uchar(std::clamp((x - 100) * 2 + 28, 0, 255));
        const QImage canvas =
            compose({ramp, QRect(100, 0, 100, 100)}, none(), {600, 600, 580, 300, 0, 300});
        const int y = 300;
        int smallest = 255;
        int largest = 0;
        // Away from the edges, where clamping flattens the ramp.
        for (int x = 40; x < 560; ++x) {
            const int step = rgbaAt(canvas, x + 1, y)[0] - rgbaAt(canvas, x, y)[0];
            smallest = std::min(smallest, step);
            largest = std::max(largest, step);
        }
        // Blocky (nearest) would give steps of 0 and 2 only every 5.8 pixels;
        // each step here is a fraction of one source step.
        QVERIFY2(smallest >= 0 && largest <= 1,
                 qPrintable(QStringLiteral("%1..%2").arg(smallest).arg(largest)));
        QVERIFY(rgbaAt(canvas, 560, y)[0] - rgbaAt(canvas, 40, y)[0] >= 170);
    }

    void extremeValuesFinish_data()
    {
        QTest::addColumn<CompositionParams>("params");
        QTest::addColumn<Rgba>("centre");
        QTest::newRow("picture 1 far left")
            << CompositionParams{1190, 600, 580, -9000000000000000000, 890, 300} << lightGreen;
        QTest::newRow("enormous pictures")
            << CompositionParams{1190, 600, 9000000000000000000, 300, 890, 300} << blue;
        QTest::newRow("largest size, extreme centres")
            << CompositionParams{1190, 600, maxInt, minInt, maxInt, minInt} << lightGreen;
        QTest::newRow("centre y beyond the canvas")
            << CompositionParams{1190, 600, 580, 300, 890, 9000000000000000000} << lightGreen;
        QTest::newRow("huge picture, far centre")
            << CompositionParams{1190, 600, 9000000000000000000, -9000000000000000000, 0, 300}
            << blue;
    }
    void extremeValuesFinish()
    {
        QFETCH(CompositionParams, params);
        QFETCH(Rgba, centre);
        const QImage p1 = testsupport::angiogram(256);
        const QImage p2 = solidImage(300, 200, Qt::blue);
        const QImage canvas = compose(whole(p1), whole(p2), params);
        QCOMPARE(canvas.size(), QSize(1190, 600));
        QCOMPARE(rgbaAt(canvas, 1185, 300), centre);
    }

    void enormousPictureIsSolid()
    {
        const QImage p = solidImage(3, 2, Qt::red);
        const QImage canvas = compose(whole(p), none(), {100, 80, 9000000000000000000, 50, 0, 40});
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 100; ++x)
                QCOMPARE(rgbaAt(canvas, x, y), red);
    }

    // Every instruction set gives exactly the same picture.
    void instructionSetsAgree_data()
    {
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<QRectF>("dest");
        QTest::newRow("reduced") << QRect(3, 5, 301, 297) << QRectF(10.25, 7.5, 171.3, 169.1);
        QTest::newRow("enlarged") << QRect(20, 30, 33, 41) << QRectF(-3.5, 2.75, 160.1, 198.8);
        QTest::newRow("clipped") << QRect(0, 0, 320, 320) << QRectF(-40.5, 150.5, 320, 320);
        QTest::newRow("level 1") << QRect(1, 1, 319, 319) << QRectF(5, 5, 71.5, 71.5);
        QTest::newRow("level 2") << QRect(2, 3, 317, 316) << QRectF(5.5, 5, 40.5, 40.4);
    }
    void instructionSetsAgree()
    {
        QFETCH(QRect, crop);
        QFETCH(QRectF, dest);
        // Random colours and alpha, premultiplied; and a grey picture.
        QImage colour(320, 320, QImage::Format_RGBA8888_Premultiplied);
        QImage grey(320, 320, QImage::Format_Grayscale8);
        QRandomGenerator rng(11);
        for (int y = 0; y < 320; ++y) {
            uchar* line = colour.scanLine(y);
            for (int x = 0; x < 320; ++x) {
                const int a = rng.bounded(256);
                for (int c = 0; c < 3; ++c)
                    line[4 * x + c] = uchar(rng.bounded(a + 1));
                line[4 * x + 3] = uchar(a);
                grey.scanLine(y)[x] = uchar(rng.bounded(256));
            }
        }
        const Rgba fill{30, 60, 90, 200};
        for (const QImage& image : {colour, grey}) {
            resample::setActiveInstructionSet(resample::InstructionSet::Generic);
            const QImage reference = drawOn(QSize(200, 220), fill, image, crop, dest);
            for (auto set : {resample::InstructionSet::Sse2, resample::InstructionSet::Avx2}) {
                if (!resample::isAvailable(set))
                    continue;
                resample::setActiveInstructionSet(set);
                QCOMPARE(drawOn(QSize(200, 220), fill, image, crop, dest), reference);
            }
            resample::setActiveInstructionSet(resample::bestInstructionSet());
            // And every pixel is a valid premultiplied one.
            for (int y = 0; y < reference.height(); ++y)
                for (int x = 0; x < reference.width(); ++x) {
                    const Rgba p = rgbaAt(reference, x, y);
                    QVERIFY(p[0] <= p[3] && p[1] <= p[3] && p[2] <= p[3]);
                }
        }
    }

    // A grey image takes a quicker path that must give exactly what the
    // colour path gives for the same pixels.
    void greyPathMatchesColourPath_data() { instructionSetsAgree_data(); }
    void greyPathMatchesColourPath()
    {
        QFETCH(QRect, crop);
        QFETCH(QRectF, dest);
        const QImage grey = testsupport::angiogram(320, 5);
        QImage colour = grey.convertToFormat(QImage::Format_RGBA8888);
        // One pixel of colour far from the crop keeps the image off the grey path.
        colour.setPixelColor(319, 319, QColor(255, 0, 0));
        QRect inside = crop & QRect(0, 0, 300, 300);
        QVERIFY(ImagePyramid(grey).isGrey());
        QVERIFY(!ImagePyramid(colour).isGrey());
        const QImage a = drawOn(QSize(200, 220), lightGreen, grey, inside, dest);
        const QImage b = drawOn(QSize(200, 220), lightGreen, colour, inside, dest);
        QCOMPARE(a, b);
    }

    void axisPlan()
    {
        // 100 source pixels onto 40.5 canvas pixels starting at 10.25.
        const AxisPlan plan = planAxis(10.25, 40.5, 60, 0, 100, 0, 100, 1);
        QCOMPARE(plan.outBegin, 10);
        QCOMPARE(plan.outEnd, 51);
        QCOMPARE(plan.coverage.front(), 0.75f);
        QCOMPARE(plan.coverage.back(), 0.75f);
        QCOMPARE(plan.coverage[5], 1.0f);
        for (int i = 0; i < plan.outCount(); ++i) {
            const float* w = plan.weights.data() + size_t(i) * size_t(plan.taps);
            QVERIFY(std::abs(std::accumulate(w, w + plan.taps, 0.0) - 1.0) < 1e-5);
            QVERIFY(plan.srcBegin + plan.first[size_t(i)] >= 0);
            QVERIFY(plan.srcBegin + plan.first[size_t(i)] + plan.count[size_t(i)] <= 100);
        }
        // Clipped by the canvas, in double precision: only visible pixels.
        const AxisPlan far = planAxis(-9e18, 1.8e19, 1190, 0, 3, 0, 3, 1);
        QCOMPARE(far.outBegin, 0);
        QCOMPARE(far.outEnd, 1190);
        QVERIFY(far.taps <= 3);
        QVERIFY(planAxis(-9e18, 580, 1190, 0, 100, 0, 100, 1).isEmpty());
        QVERIFY(planAxis(9e18, 580, 1190, 0, 100, 0, 100, 1).isEmpty());
        QVERIFY(planAxis(0, 0, 1190, 0, 100, 0, 100, 1).isEmpty());
    }

    void pyramidLevels()
    {
        QImage image(14, 10, QImage::Format_RGBA8888_Premultiplied);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 14; ++x) {
                uchar* p = image.scanLine(y) + 4 * x;
                p[0] = uchar(10 * x);
                p[1] = uchar(20 * y);
                p[2] = 0;
                p[3] = 255;
            }
        const ImagePyramid pyramid(image);
        QCOMPARE(pyramid.levelCount(), 4);
        QCOMPARE(pyramid.level(1).size(), QSize(7, 5));
        QCOMPARE(pyramid.level(2).size(), QSize(3, 2));
        QCOMPARE(pyramid.level(3).size(), QSize(1, 1));
        // A linear ramp stays linear, each level pixel at the centre of the
        // level-0 pixels it stands for: level-1 pixel (2, 2) covers x 4-5
        // (red 45) and y 4-5 (green 90).
        QCOMPARE(rgbaAt(pyramid.level(1), 2, 2), (Rgba{45, 90, 0, 255}));
        QCOMPARE(pyramid.level(1).colorSpace(), QColorSpace(QColorSpace::SRgb));
    }

    void levelChoice_data()
    {
        QTest::addColumn<QRect>("region");
        QTest::addColumn<double>("reduction");
        QTest::addColumn<int>("level");
        const QRect whole(0, 0, 1024, 1024);
        QTest::newRow("enlarged") << whole << 0.5 << 0;
        QTest::newRow("reduced 2.9") << whole << 2.9 << 0;
        QTest::newRow("reduced 3") << whole << 3.0 << 1;
        QTest::newRow("reduced 5.9") << whole << 5.9 << 1;
        QTest::newRow("reduced 7") << whole << 7.0 << 2;
        QTest::newRow("reduced 1000") << whole << 1000.0 << 9;
        QTest::newRow("small crop keeps enough pixels") << QRect(100, 100, 12, 12) << 6.0 << 1;
        QTest::newRow("tiny crop stays on level 0") << QRect(100, 100, 5, 5) << 6.0 << 0;
    }
    void levelChoice()
    {
        QFETCH(QRect, region);
        QFETCH(double, reduction);
        QFETCH(int, level);
        static const ImagePyramid pyramid(testsupport::angiogram(1024));
        QCOMPARE(pyramidLevelFor(pyramid, region, reduction), level);
    }

    void usableRegion_data()
    {
        QTest::addColumn<QRect>("region");
        QTest::addColumn<int>("level");
        QTest::addColumn<QRect>("expected");
        // Level-k pixel j is made from level-0 pixels [2^k (j - 1) + 1, 2^k (j + 2) - 1).
        QTest::newRow("whole image, level 1") << QRect(0, 0, 40, 30) << 1 << QRect(0, 0, 20, 15);
        QTest::newRow("whole image, level 3") << QRect(0, 0, 40, 30) << 3 << QRect(0, 0, 5, 3);
        QTest::newRow("level 0 is the region") << QRect(3, 4, 5, 6) << 0 << QRect(3, 4, 5, 6);
        QTest::newRow("inner crop, level 1") << QRect(4, 4, 20, 20) << 1 << QRect(3, 3, 8, 8);
        QTest::newRow("odd inner crop, level 1") << QRect(5, 5, 20, 20) << 1 << QRect(3, 3, 9, 9);
        QTest::newRow("inner crop, level 2") << QRect(6, 6, 24, 22) << 2 << QRect(3, 3, 3, 3);
        QTest::newRow("crop at the right edge") << QRect(20, 0, 20, 30) << 1 << QRect(11, 0, 9, 15);
        QTest::newRow("too small for the level") << QRect(5, 5, 3, 3) << 1 << QRect();
    }
    void usableRegion()
    {
        QFETCH(QRect, region);
        QFETCH(int, level);
        QFETCH(QRect, expected);
        const ImagePyramid pyramid(solidImage(40, 30, Qt::red));
        const QRect usable = pyramid.usableRegion(region, level);
        QCOMPARE(usable, expected);
        // Check the rule itself: every usable pixel's source lies in the
        // region (or beyond the image's edge).
        if (!usable.isEmpty() && level > 0) {
            const int step = 1 << level;
            const int left = step * (usable.left() - 1) + 1;
            const int right = step * (usable.right() + 2) - 1;
            QVERIFY(left >= region.left() || region.left() == 0);
            QVERIFY(right <= region.right() + 1 || region.right() == 39);
        }
    }

    // A thin line keeps its position through the reduced copies.
    void pyramidKeepsLinePosition()
    {
        for (int column = 20; column < 24; ++column) {
            QImage image = solidImage(64, 8, Qt::black);
            for (int y = 0; y < 8; ++y)
                image.setPixelColor(column, y, Qt::white);
            const ImagePyramid pyramid(image);
            QVERIFY(pyramid.isGrey());
            for (int k = 1; k <= 2; ++k) {
                const QImage& level = pyramid.level(k);
                double sum = 0;
                double moment = 0;
                for (int x = 0; x < level.width(); ++x) {
                    const double v = level.constScanLine(level.height() / 2)[x];
                    sum += v;
                    moment += v * (x + 0.5) * (1 << k);
                }
                // The centre of the line in level-0 coordinates.
                QVERIFY2(std::abs(moment / sum - (column + 0.5)) < 0.02,
                         qPrintable(QStringLiteral("column %1 level %2: %3")
                                        .arg(column)
                                        .arg(k)
                                        .arg(moment / sum)));
            }
        }
    }

    void pyramidCacheKeepsCurrentImages()
    {
        PyramidCache cache;
        const QImage a = solidImage(8, 8, Qt::red);
        const QImage b = solidImage(8, 8, Qt::blue);
        const auto pa = cache.pyramidFor(a);
        const auto pb = cache.pyramidFor(b);
        QCOMPARE(cache.pyramidFor(a), pa);
        QCOMPARE(cache.pyramidFor(b), pb);
        // A new image for slot 2: asked for after image a, it replaces b.
        const QImage c = solidImage(8, 8, Qt::green);
        QCOMPARE(cache.pyramidFor(a), pa);
        cache.pyramidFor(c);
        QCOMPARE(cache.size(), size_t(2));
        QCOMPARE(cache.pyramidFor(a), pa);
    }

    void nonSrgbImageIsConverted()
    {
        QImage image = solidImage(4, 4, QColor(200, 100, 50));
        image.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
        const ImagePyramid pyramid(image);
        QCOMPARE(pyramid.level(0).colorSpace(), QColorSpace(QColorSpace::SRgb));
        // Display P3 red is more saturated than sRGB can show: red clips.
        QVERIFY(rgbaAt(pyramid.level(0), 1, 1)[0] > 200);
    }
};

QTEST_GUILESS_MAIN(CompositionTest)
#include "tst_composition.moc"
