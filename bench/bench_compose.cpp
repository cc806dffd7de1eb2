// Speed and memory of composition: one refresh() for square angiogram-like
// sources, grey and colour, with a crop of 70 % of the side and with none, at
// the window's initial parameters and on a 4800 x 2400 canvas with 2320-pixel
// pictures; beside each, QPainter's bilinear drawImage of the same crops to
// the same places on a canvas of the same size, the floor to beat; the
// one-time build of an image's reduced copies; and the peak memory of two
// 4096 colour images loaded and composed.
//
// Every refresh case reports mean, median, p90 and spread over its
// repetitions. Counters: peak_MB is the process's peak resident memory during
// the case (reset before each case where the system allows it), images_MB the
// two source images themselves, pyramids_MB what the reduced copies add.

#include "Memory.h"
#include "Tinted.h"
#include "app/ContentView.h"
#include "compose/Composition.h"
#include "compose/ImagePyramid.h"
#include "compose/ResampleKernels.h"
#include "support/AngioImage.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <tuple>
#include <utility>

#include <malloc.h>

namespace {

constexpr double megabyte = 1024.0 * 1024.0;

enum Kind { Grey, Colour };

// A greyscale angiogram, or the same tinted (as a decoder hands over a colour
// file: 32-bit RGB) so that it takes the colour path.
QImage source(int side, unsigned seed, Kind kind)
{
    const QImage image = testsupport::angiogram(side, seed);
    return kind == Colour ? tinted(image) : image;
}

// Sources are made once per side and kind: making them takes longer than
// the cases.
const QImage& cachedSource(int side, unsigned seed, Kind kind)
{
    static std::map<std::tuple<int, unsigned, Kind>, QImage> images;
    QImage& image = images[{side, seed, kind}];
    if (image.isNull())
        image = source(side, seed, kind);
    return image;
}

std::optional<QRectF> centredCrop(int side, int percent)
{
    if (percent >= 100)
        return std::nullopt;
    const int crop = side * percent / 100;
    const int at = (side - crop) / 2;
    return QRectF(at, at, crop, crop);
}

// The layouts measured: the window's initial one, and a large canvas.
struct Layout {
    const char* canvasW;
    const char* canvasH;
    const char* imgSize;
    const char* cx1;
    const char* cx2;
    const char* cy;
};
constexpr Layout initialLayout{"1190", "600", "580", "300", "890", "300"};
constexpr Layout largeLayout{"4800", "2400", "2320", "1200", "3600", "1200"};

void applyLayout(WindowState& s, const Layout& l)
{
    s.canvasW.set(QString::fromLatin1(l.canvasW));
    s.canvasH.set(QString::fromLatin1(l.canvasH));
    s.imgSize.set(QString::fromLatin1(l.imgSize));
    s.cx1.set(QString::fromLatin1(l.cx1));
    s.cx2.set(QString::fromLatin1(l.cx2));
    s.cy.set(QString::fromLatin1(l.cy));
}

void refreshCase(benchmark::State& state, Kind kind, const Layout& layout)
{
    const int side = int(state.range(0));
    const int percent = int(state.range(1));
    const QImage& image1 = cachedSource(side, 1, kind);
    const QImage& image2 = cachedSource(side, 2, kind);
    const qint64 own = image1.sizeInBytes() + image2.sizeInBytes();
    qint64 pyramids = 0;
    for (const QImage* image : {&image1, &image2}) {
        const ImagePyramid pyramid(*image);
        for (int k = 1; k < pyramid.levelCount(); ++k)
            pyramid.level(k); // every level whole
        pyramids += pyramid.byteCount();
        if (pyramid.level(0).constBits() == image->constBits())
            pyramids -= image->sizeInBytes(); // level 0 is the image itself
    }
    const bool reset = resetPeakMemory();
    {
        ContentView view;
        WindowState& s = view.state();
        applyLayout(s, layout);
        s.image1.set(image1);
        s.image2.set(image2);
        s.crop1.set(centredCrop(side, percent));
        s.crop2.set(centredCrop(side, percent));
        view.refresh(); // builds the reduced copies once, as the first refresh after loading does
        if (!s.statusMsg().isEmpty() || s.resultCG().isNull()) {
            state.SkipWithError("composition failed");
            return;
        }
        // Each step changes the picture size by one pixel, back and forth,
        // and the window recomposes through its change handler: both
        // pictures are resampled again, as after any change of layout.
        const int size = QString::fromLatin1(layout.imgSize).toInt();
        int step = 0;
        for (auto _ : state) {
            s.imgSize.set(QString::number(size + (++step & 1)));
            benchmark::DoNotOptimize(s.resultCG().constBits());
        }
        if (!s.statusMsg().isEmpty())
            state.SkipWithError("composition failed");
    }
    state.counters["peak_MB"] = peakMegabytes();
    state.counters["images_MB"] = double(own) / megabyte;
    state.counters["pyramids_MB"] = double(pyramids) / megabyte;
    if (!reset)
        state.SetLabel("peak is the lifetime peak");
}

void BM_Refresh(benchmark::State& state)
{
    refreshCase(state, Grey, initialLayout);
}

void BM_RefreshColour(benchmark::State& state)
{
    refreshCase(state, Colour, initialLayout);
}

void BM_RefreshLargeCanvas(benchmark::State& state)
{
    refreshCase(state, Kind(state.range(2)), largeLayout);
}

// QPainter's bilinear scaling of the same crops to the same places on a
// fresh canvas of the same size: the floor each refresh case is held to.
void BM_QPainterFloor(benchmark::State& state)
{
    const int side = int(state.range(0));
    const int percent = int(state.range(1));
    const Kind kind = Kind(state.range(2));
    const Layout& layout = state.range(3) ? largeLayout : initialLayout;
    const QImage image1 =
        cachedSource(side, 1, kind).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const QImage image2 =
        cachedSource(side, 2, kind).convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const QRectF crop = centredCrop(side, percent).value_or(QRectF(0, 0, side, side));
    const qint64 imgSize = QString::fromLatin1(layout.imgSize).toLongLong();
    const QRectF dest1 =
        placementRect(crop.size(), imgSize, QString::fromLatin1(layout.cx1).toLongLong(),
                      QString::fromLatin1(layout.cy).toLongLong());
    const QRectF dest2 =
        placementRect(crop.size(), imgSize, QString::fromLatin1(layout.cx2).toLongLong(),
                      QString::fromLatin1(layout.cy).toLongLong());
    const QSize canvasSize(QString::fromLatin1(layout.canvasW).toInt(),
                           QString::fromLatin1(layout.canvasH).toInt());
    for (auto _ : state) {
        QImage canvas(canvasSize, QImage::Format_RGBA8888_Premultiplied);
        canvas.fill(QColor(204, 255, 204));
        QPainter p(&canvas);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(dest1, image1, crop);
        p.drawImage(dest2, image2, crop);
        p.end();
        benchmark::DoNotOptimize(canvas.constBits());
    }
}

// Two 4096 colour images loaded into a window and composed with a 70 % crop:
// the peak resident memory of the whole process, images included (process_MB:
// before the images are made; with_images_MB: once they are, before loading),
// and the time of that first composition (compose_ms). With uncropped_first
// the images are composed whole first, as the window does as soon as both are
// loaded (uncropped_MB: the peak then, uncropped_ms: its time), and the crop
// after. It runs first, before the other cases keep their sources.
void BM_PeakMemoryTwo4096Colour(benchmark::State& state)
{
    const bool uncroppedFirst = state.range(0) != 0;
    malloc_trim(0); // what an earlier case left
    const double process = residentMegabytes();
    QImage image1 = source(4096, 1, Colour);
    QImage image2 = source(4096, 2, Colour);
    // What making the images freed goes back to the system, so that the
    // peak counts the memory the window takes, not heap left over here.
    malloc_trim(0);
    const bool reset = resetPeakMemory();
    const double before = peakMegabytes();
    for (auto _ : state) {
        ContentView view;
        WindowState& s = view.state();
        s.image1.set(std::exchange(image1, QImage()));
        s.image2.set(std::exchange(image2, QImage()));
        QElapsedTimer timer;
        if (uncroppedFirst) {
            timer.start();
            view.refresh();
            state.counters["uncropped_ms"] = double(timer.nsecsElapsed()) / 1e6;
            state.counters["uncropped_MB"] = peakMegabytes();
        }
        s.crop1.set(centredCrop(4096, 70));
        s.crop2.set(centredCrop(4096, 70));
        timer.start();
        view.refresh();
        state.counters["compose_ms"] = double(timer.nsecsElapsed()) / 1e6;
        benchmark::DoNotOptimize(s.resultCG().constBits());
    }
    state.counters["peak_MB"] = peakMegabytes();
    state.counters["with_images_MB"] = before;
    state.counters["process_MB"] = process;
    if (!reset)
        state.SetLabel("peak is the lifetime peak");
}

void BM_PyramidBuild(benchmark::State& state)
{
    const QImage& image = cachedSource(int(state.range(0)), 1, Kind(state.range(1)));
    qint64 bytes = 0;
    for (auto _ : state) {
        ImagePyramid pyramid(image);
        bytes = pyramid.byteCount();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["pyramid_MB"] = double(bytes) / megabyte;
}

double p90(const std::vector<double>& v)
{
    std::vector<double> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    return sorted.empty()
               ? 0.0
               : sorted[std::min(sorted.size() - 1, size_t(0.9 * double(sorted.size())))];
}

void repeated(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)
        ->Repetitions(9)
        ->ReportAggregatesOnly(true)
        ->ComputeStatistics("p90", p90);
}

void refreshArguments(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"side", "crop%"})->ArgsProduct({{1024, 2048, 4096}, {70, 100}});
    repeated(b);
}

// Which inner loops ran, in the report's header.
const bool contextNamed =
    (benchmark::AddCustomContext("resampler", resample::activeKernels().name), true);

} // namespace

BENCHMARK(BM_PeakMemoryTwo4096Colour)
    ->ArgName("uncropped_first")
    ->DenseRange(0, 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_Refresh)->Apply(refreshArguments);
BENCHMARK(BM_RefreshColour)->Apply(refreshArguments);
BENCHMARK(BM_RefreshLargeCanvas)
    ->ArgNames({"side", "crop%", "colour"})
    ->ArgsProduct({{4096}, {70}, {Grey, Colour}})
    ->Apply(repeated);
BENCHMARK(BM_QPainterFloor)
    ->ArgNames({"side", "crop%", "colour", "large"})
    ->ArgsProduct({{1024, 2048, 4096}, {70, 100}, {Grey, Colour}, {0}})
    ->Args({4096, 70, Grey, 1})
    ->Args({4096, 70, Colour, 1})
    ->Apply(repeated);
BENCHMARK(BM_PyramidBuild)
    ->ArgNames({"side", "colour"})
    ->ArgsProduct({{1024, 2048, 4096}, {Grey, Colour}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);
