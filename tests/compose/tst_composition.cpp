#include "compose/Composition.h"
#include "compose/ImagePyramid.h"
#include "compose/PngEncoding.h"
#include "compose/ResampleAxis.h"
#include "compose/ResampleKernels.h"
#include "compose/Resampler.h"
#include "compose/ScaledImage.h"
#include "support/AngioImage.h"
#include "support/Pixels.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

using testsupport::near;
using testsupport::Rgba;
using testsupport::rgbaAt;
using testsupport::solidImage;

namespace {

const Rgba lightGreen{204, 255, 204, 255};
const Rgba black{0, 0, 0, 255};
const Rgba red{255, 0, 0, 255};
const Rgba blue{0, 0, 255, 255};

Compositor::Picture whole(const QImage& image)
{
    return {image, image.rect()};
}

// The composite of two pictures over a background R, G, B, A.
QImage compose(const Compositor::Picture& p1, const Compositor::Picture& p2,
               CompositionParams params, Rgba bg = lightGreen)
{
    const auto result = Compositor().compose(p1, p2, params, {bg[0], bg[1], bg[2], bg[3]});
    return result ? *result : QImage();
}

// Draws `region` of `image` into `dest` on a canvas filled with `fill`.
QImage drawOn(QSize canvasSize, Rgba fill, const QImage& image, QRect region, QRectF dest)
{
    QImage canvas(canvasSize, QImage::Format_RGBA8888_Premultiplied);
    canvas.fill(QColor(fill[0], fill[1], fill[2], fill[3]));
    drawResampled(canvas, ImagePyramid(image), region, dest);
    return canvas;
}

// Whether every pixel of `area` (all of `image` when null) is `expected`.
bool allOf(const QImage& image, Rgba expected, QRect area = {})
{
    area = area.isNull() ? image.rect() : area;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (rgbaAt(image, x, y) != expected)
                return false;
    return !image.isNull();
}

// The same crop and placement resampled in double precision by Lanczos-3
// straight from the full image (taps beyond the crop fold onto its edge), over
// the canvas pixels wholly inside `inner`, channel by channel: the reference
// every path must come close to.
std::vector<double> referenceResample(const QImage& image, QRect region, QRectF dest, QRect inner,
                                      int channels)
{
    // Weights of the region's pixels for canvas pixel `out`: from the first
    // one with weight on.
    struct Taps {
        int first;
        std::vector<double> w;
    };
    const auto axis = [](int start, int length, double destStart, double destLength, int out) {
        const double step = length / destLength;
        const double scale = std::max(step, 1.0);
        const double centre = start + (out + 0.5 - destStart) * step;
        const int from = int(std::floor(centre - 3 * scale)) - 1;
        const int to = int(std::ceil(centre + 3 * scale)) + 1;
        Taps taps{std::clamp(from, start, start + length - 1), {}};
        taps.w.assign(size_t(std::clamp(to, start, start + length - 1) - taps.first + 1), 0.0);
        double total = 0;
        for (int j = from; j <= to; ++j) {
            const double v = lanczos3((j + 0.5 - centre) / scale);
            taps.w[size_t(std::clamp(j, start, start + length - 1) - taps.first)] += v;
            total += v;
        }
        for (double& v : taps.w)
            v /= total;
        return taps;
    };
    // Horizontally first, every crop row; then down the columns.
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const size_t width = size_t(inner.width()) * size_t(channels);
    std::vector<double> rows(size_t(region.height()) * width);
    for (int x = inner.left(); x <= inner.right(); ++x) {
        const Taps h = axis(region.x(), region.width(), dest.x(), dest.width(), x);
        for (int y = 0; y < region.height(); ++y) {
            const uchar* line = rgba.constScanLine(region.y() + y) + 4 * h.first;
            for (int c = 0; c < channels; ++c) {
                double sum = 0;
                for (size_t j = 0; j < h.w.size(); ++j)
                    sum += h.w[j] * line[4 * j + size_t(c)];
                rows[size_t(y) * width + size_t(x - inner.left()) * size_t(channels) + size_t(c)] =
                    sum;
            }
        }
    }
    std::vector<double> out(size_t(inner.height()) * width);
    for (int y = inner.top(); y <= inner.bottom(); ++y) {
        const Taps v = axis(region.y(), region.height(), dest.y(), dest.height(), y);
        for (size_t i = 0; i < width; ++i) {
            double sum = 0;
            for (size_t j = 0; j < v.w.size(); ++j)
                sum += v.w[j] * rows[(size_t(v.first - region.y()) + j) * width + i];
            out[size_t(y - inner.top()) * width + i] = sum;
        }
    }
    return out;
}

} // namespace

Q_DECLARE_METATYPE(Rgba)
Q_DECLARE_METATYPE(CompositionParams)

class CompositionTest : public QObject {
    Q_OBJECT

private slots:
    // A canvas may be as wide or tall as libpng writes (a strip is checked by
    // encoding it) and 2^28 pixels in all.
    void canvasLimit_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("as wide as libpng writes") << QSize(1000000, 1) << true;
        QTest::newRow("wider than libpng writes") << QSize(1000001, 1) << false;
        QTest::newRow("taller than libpng writes") << QSize(1, 1000001) << false;
        QTest::newRow("2^28 pixels") << QSize(16384, 16384) << true;
        QTest::newRow("a row more") << QSize(16384, 16385) << false;
    }
    void canvasLimit()
    {
        QFETCH(QSize, size);
        QFETCH(bool, allowed);
        QCOMPARE(canvasSizeAllowed(size.width(), size.height()), allowed);
        if (size.width() == 1 || size.height() == 1)
            QCOMPARE(pngData(solidImage(size.width(), size.height(), Qt::red)).has_value(),
                     allowed);
    }

    void backgroundAndOverlap()
    {
        // Both pictures off the canvas: the premultiplied background everywhere.
        const Compositor::Picture p = whole(solidImage(10, 10, Qt::red));
        QVERIFY(allOf(compose(p, p, {40, 30, 10, -100, -100, 15}, {255, 100, 0, 128}),
                      {128, 50, 0, 128}));
        // Overlapping by half: picture 2 is drawn over picture 1.
        const QImage canvas =
            compose(p, whole(solidImage(10, 10, Qt::blue)), {60, 60, 20, 20, 30, 30});
        QCOMPARE(rgbaAt(canvas, 15, 30), red);
        QVERIFY(allOf(canvas, blue, QRect(20, 20, 20, 20)));
    }

    // A solid picture lands exactly where its rectangle says: whole pixels
    // inside, background outside, the covered share at the edges.
    void solidPlacement_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<qint64>("imgSize");
        QTest::addColumn<QPoint>("centre");
        QTest::addColumn<QRectF>("dest");
        const auto row = [](const char* name, QSize size, qint64 imgSize, QPoint c, QRectF dest) {
            QTest::newRow(name) << size << imgSize << c << dest;
        };
        row("enlarged", {7, 7}, 42, {30, 25}, {9, 4, 42, 42});
        row("odd size, half-pixel edges", {100, 100}, 41, {30, 25}, {9.5, 4.5, 41, 41});
        row("clipped left and top", {50, 50}, 41, {3, -2}, {-17.5, -22.5, 41, 41});
    }
    void solidPlacement()
    {
        QFETCH(QSize, size);
        QFETCH(qint64, imgSize);
        QFETCH(QPoint, centre);
        QFETCH(QRectF, dest);
        const QImage p = solidImage(size.width(), size.height(), Qt::red);
        const QImage canvas =
            compose(whole(p), whole(p), {60, 50, imgSize, centre.x(), -1000, centre.y()}, blue);
        const auto cover = [](double from, double to, int i) {
            return std::clamp(std::min(i + 1.0, to) - std::max(double(i), from), 0.0, 1.0);
        };
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x) {
                const double c =
                    cover(dest.left(), dest.right(), x) * cover(dest.top(), dest.bottom(), y);
                const int r = int(std::lround(255 * c));
                QVERIFY(near(rgbaAt(canvas, x, y), Rgba{r, 0, 255 - r, 255}, 1));
            }
    }

    // A composite once handed out never changes, while the compositor reuses
    // the canvas no one holds any more.
    void compositesStayAsHandedOut()
    {
        Compositor compositor;
        const Compositor::Picture p = whole(testsupport::angiogram(256));
        const auto compose = [&](Rgba bg) {
            return *compositor.compose(p, p, {300, 150, 140, 75, 225, 75},
                                       {bg[0], bg[1], bg[2], bg[3]});
        };
        const QImage held = compose(lightGreen);
        const QImage expected = held.copy();
        const uchar* freed = nullptr;
        {
            const QImage second = compose(blue);
            freed = second.constBits();
        }
        const QImage third = compose(red);
        QCOMPARE(held, expected);
        QCOMPARE(third.constBits(), freed); // drawn again, not allocated anew
        QCOMPARE(rgbaAt(third, 2, 2), red);
    }

    // A 1-pixel green and black checkerboard inside bright red: nothing
    // outside the crop reaches the picture, whatever the scale and however
    // the crop lies against the reduced copies' pixel grid, and a reduction
    // gives an even green.
    void cropAloneReduced_data()
    {
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<qint64>("imgSize");
        QTest::newRow("one pixel enlarged") << QRect(1000, 1000, 1, 1) << qint64(25);
        QTest::newRow("reduced 1.8 times") << QRect(5, 8, 1024, 1024) << qint64(580);
        QTest::newRow("reduced 3.5 times, odd offset") << QRect(13, 13, 2048, 2048) << qint64(580);
        QTest::newRow("reduced 60 times") << QRect(3, 9, 2041, 2041) << qint64(34);
    }
    void cropAloneReduced()
    {
        QFETCH(QRect, crop);
        QFETCH(qint64, imgSize);
        static const QImage board = [] {
            QImage im(2100, 2100, QImage::Format_RGB32);
            for (int y = 0; y < im.height(); ++y)
                for (int x = 0; x < im.width(); ++x)
                    reinterpret_cast<QRgb*>(im.scanLine(y))[x] = (x + y) % 2 ? qRgb(0, 255, 0) : 0;
            return im;
        }();
        QImage source = board.copy();
        QPainter painter(&source);
        for (const QRect& r : QRegion(source.rect()) - crop)
            painter.fillRect(r, Qt::red);
        painter.end();
        const QImage canvas =
            compose({source, crop}, {}, {1200, 1200, imgSize, 600, 0, 600}, black);
        int reddest = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                reddest = std::max(reddest, rgbaAt(canvas, x, y)[0]);
        QCOMPARE(reddest, 0);
        if (crop.width() < imgSize)
            return;
        const QRectF dest = placementRect(QSizeF(crop.size()), imgSize, 600, 600);
        const QRect inner = dest.toAlignedRect().adjusted(3, 3, -3, -3);
        double sum = 0, squares = 0;
        for (int y = inner.top(); y <= inner.bottom(); ++y)
            for (int x = inner.left(); x <= inner.right(); ++x) {
                sum += rgbaAt(canvas, x, y)[1];
                squares += std::pow(rgbaAt(canvas, x, y)[1], 2);
            }
        const double n = double(inner.width()) * inner.height();
        const double deviation = std::sqrt(std::max(0.0, squares / n - std::pow(sum / n, 2)));
        QVERIFY(deviation <= 2.0 && std::abs(sum / n - 127.5) < 3);
    }

    // Every instruction set gives exactly the same picture, of valid
    // premultiplied pixels, whichever order the image stores its channels in; a grey image takes a
    // quicker path that gives exactly what the colour path gives for the same pixels.
    void instructionSetsAgree_data()
    {
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<QRectF>("dest");
        QTest::newRow("reduced") << QRect(3, 5, 297, 295) << QRectF(10.25, 7.5, 171.3, 169.1);
        QTest::newRow("clipped") << QRect(0, 0, 300, 300) << QRectF(-40.5, 150.5, 320, 320);
        QTest::newRow("level 2") << QRect(2, 3, 297, 296) << QRectF(5.5, 5, 40.5, 40.4);
    }
    void instructionSetsAgree()
    {
        QFETCH(QRect, crop);
        QFETCH(QRectF, dest);
        QImage colour(320, 320, QImage::Format_RGBA8888_Premultiplied);
        QRandomGenerator rng(11);
        for (int y = 0; y < 320; ++y)
            for (int x = 0; x < 320; ++x) {
                const int a = rng.bounded(256);
                colour.setPixel(
                    x, y, qRgba(rng.bounded(a + 1), rng.bounded(a + 1), rng.bounded(a + 1), a));
            }
        const QImage grey = testsupport::angiogram(320, 5);
        // One pixel of colour outside the crop keeps the image off the grey path.
        QImage greyish = grey.convertToFormat(QImage::Format_RGBA8888);
        greyish.setPixelColor(319, 319, Qt::red);
        QVERIFY(ImagePyramid(grey).isGrey() && !ImagePyramid(greyish).isGrey());
        const auto draw = [&](const QImage& image) {
            return drawOn(QSize(200, 220), {30, 60, 90, 200}, image, crop, dest);
        };
        using resample::InstructionSet;
        resample::setActiveInstructionSet(InstructionSet::Generic);
        const QImage colourReference = draw(colour);
        const QImage greyReference = draw(grey);
        QCOMPARE(draw(greyish), greyReference);
        // The same pixels stored B G R A are read as they lie.
        const QImage bgra = colour.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(draw(bgra), colourReference);
        for (int y = 0; y < colourReference.height(); ++y)
            for (int x = 0; x < colourReference.width(); ++x) {
                const Rgba p = rgbaAt(colourReference, x, y);
                QVERIFY(p[0] <= p[3] && p[1] <= p[3] && p[2] <= p[3]);
            }
        if (resample::bestInstructionSet() == InstructionSet::Generic)
            QSKIP("neither SSE2 nor AVX2 here: no other kernel to compare with");
        for (auto set : {InstructionSet::Sse2, InstructionSet::Avx2}) {
            resample::setActiveInstructionSet(set); // the generic one where missing
            QCOMPARE(draw(colour), colourReference);
            QCOMPARE(draw(bgra), colourReference);
            QCOMPARE(draw(grey), greyReference);
            QCOMPARE(draw(greyish), greyReference);
        }
        resample::setActiveInstructionSet(resample::bestInstructionSet());
    }

    // Every path (the full image enlarged or reduced, each reduced copy) gives
    // the picture a double-precision Lanczos-3 of the full image gives: the
    // error of rounding to bytes and little more (PSNR), and the same
    // sharpness (the ratio of the pictures' RMS gradients). Odd sizes and a
    // picture that is not square put it off the canvas grid by fractions of
    // a pixel, so a picture misplaced by a fraction fails too.
    void matchesFullImageReference_data()
    {
        QTest::addColumn<QRect>("crop");
        QTest::addColumn<qint64>("imgSize");
        QTest::addColumn<bool>("colour");
        QTest::addColumn<int>("level");
        const auto rows = [](const char* path, QRect crop, qint64 imgSize, int level) {
            for (bool colour : {false, true})
                QTest::addRow("%s, %s", path, colour ? "colour" : "grey")
                    << crop << imgSize << colour << level;
        };
        rows("full size enlarged 2.9 times, half-pixel offset", {101, 77, 200, 200}, 581, 0);
        rows("full size reduced 1.8 times, uneven offset", {0, 0, 1024, 700}, 581, 0);
        rows("level 1 reduced 1.76 more, crop", {150, 133, 717, 717}, 203, 1);
        rows("level 2 reduced 1.78 more, crop", {37, 41, 951, 951}, 133, 2);
        rows("level 3 reduced 2.4 more", {0, 0, 1024, 1024}, 53, 3);
    }
    void matchesFullImageReference()
    {
        QFETCH(QRect, crop);
        QFETCH(qint64, imgSize);
        QFETCH(bool, colour);
        QFETCH(int, level);
        static const QImage grey = testsupport::angiogram(1024, 3);
        static const QImage tinted = [] { // three channels that differ
            QImage im = grey.convertToFormat(QImage::Format_RGB32);
            QPainter(&im).fillRect(im.rect(), QColor(255, 60, 0, 90));
            return im;
        }();
        const QImage& image = colour ? tinted : grey;
        const ImagePyramid pyramid(image);
        QCOMPARE(pyramid.isGrey(), !colour);
        QCOMPARE(pyramidLevelFor(pyramid, crop, double(crop.width()) / double(imgSize)), level);
        // A level is the same whichever of its rows were made first, and
        // whether the rows of the level above it were kept (here some) or
        // made and dropped (all of them in a level made at once).
        const int top = crop.top() >> level;
        if (level > 1)
            pyramid.levelRows(level - 1, 2 * top, 2 * top + 40);
        pyramid.levelRows(level, top, top + 20);
        QCOMPARE(pyramid.level(level), ImagePyramid(image).level(level));
        // A compositor that read coarser levels before (the whole image
        // smaller) lets go of them and gives the same picture.
        Compositor compositor;
        compositor.compose(whole(image), {}, {imgSize, imgSize, imgSize / 4, 0, 0, 0}, {});
        const qint64 centre = imgSize / 2 + 3;
        const QImage canvas = *compositor.compose(
            {image, crop}, {}, {imgSize + 6, imgSize + 6, imgSize, centre, 0, centre}, {});
        const QRectF dest = placementRect(QSizeF(crop.size()), imgSize, centre, centre);
        // Away from the crop's edges, where the reduced copies must keep out
        // what lies beyond the crop.
        const QRect inner = dest.toAlignedRect().adjusted(4, 4, -4, -4);
        const int channels = colour ? 3 : 1;
        const std::vector<double> reference = referenceResample(image, crop, dest, inner, channels);
        double error = 0, gradient = 0, referenceGradient = 0;
        const auto at = [&](int x, int y, int c) {
            return size_t((y - inner.top()) * inner.width() + (x - inner.left())) *
                       size_t(channels) +
                   size_t(c);
        };
        for (int y = inner.top(); y <= inner.bottom(); ++y)
            for (int x = inner.left(); x <= inner.right(); ++x)
                for (int c = 0; c < channels; ++c) {
                    const double v = rgbaAt(canvas, x, y)[c];
                    error += std::pow(v - reference[at(x, y, c)], 2);
                    for (QPoint d : {QPoint(x - 1, y), QPoint(x, y - 1)})
                        if (inner.contains(d)) {
                            gradient += std::pow(v - rgbaAt(canvas, d.x(), d.y())[c], 2);
                            referenceGradient += std::pow(
                                reference[at(x, y, c)] - reference[at(d.x(), d.y(), c)], 2);
                        }
                }
        const double psnr = 10 * std::log10(255.0 * 255.0 / (error / double(reference.size())));
        const double sharpness = std::sqrt(gradient / referenceGradient);
        QVERIFY(psnr >= 55.0);
        QVERIFY(sharpness >= 0.97 && sharpness <= 1.03);
    }

    // The preview remade only where the composite changed equals one scaled
    // whole, wherever the change lies; the area found is exactly the change.
    void scaledImageRemadeInPart_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QRect>("change");
        QTest::newRow("reduced, a block inside") << QSize(190, 101) << QRect(40, 30, 50, 40);
        QTest::newRow("enlarged, a corner") << QSize(450, 240) << QRect(280, 140, 20, 20);
        QTest::newRow("reduced, one pixel") << QSize(250, 130) << QRect(7, 93, 1, 1);
    }
    void scaledImageRemadeInPart()
    {
        QFETCH(QSize, size);
        QFETCH(QRect, change);
        QImage before(300, 160, QImage::Format_RGBA8888_Premultiplied);
        QRandomGenerator rng(3);
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x)
                before.setPixel(x, y, rng.generate() | 0xff000000u);
        QImage after = before.copy();
        for (int y = change.top(); y <= change.bottom(); ++y)
            for (int x = change.left(); x <= change.right(); ++x)
                after.setPixel(x, y, after.pixel(x, y) ^ 0x00ffffffu);
        QCOMPARE(differingArea(before, after), change);
        ScaledImage kept;
        kept.scaled(before, size);
        QCOMPARE(kept.scaled(after, size), ScaledImage().scaled(after, size));
    }
};

QTEST_GUILESS_MAIN(CompositionTest)
#include "tst_composition.moc"
