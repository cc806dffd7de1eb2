// Speed and memory of composition: one refresh() at the window's initial
// parameters for square angiogram-like sources, with a crop of 70 % of the
// side and with no crop, and the one-time build of an image's reduced copies.
//
// Counters: peak_MB is the process's peak resident memory during the case
// (reset before each case where the system allows it), images_MB the two
// source images themselves, pyramids_MB the reduced copies the composition
// keeps for them.

#include "app/ContentView.h"
#include "compose/ImagePyramid.h"
#include "compose/ResampleKernels.h"
#include "support/AngioImage.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

constexpr double megabyte = 1024.0 * 1024.0;

// Starts a new peak-memory measurement; false where only the lifetime peak
// is available.
bool resetPeakMemory()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').front().toDouble() / 1024.0;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

enum Kind { Grey, Colour };

// A greyscale angiogram, or the same tinted so that it takes the colour path.
QImage source(int side, unsigned seed, Kind kind)
{
    QImage image = testsupport::angiogram(side, seed);
    if (kind == Colour) {
        image = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < side; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < side; ++x) {
                const int v = qRed(line[x]);
                line[x] = qRgb(v, v * 15 / 16, v * 7 / 8);
            }
        }
    }
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

void refreshCase(benchmark::State& state, Kind kind)
{
    const int side = int(state.range(0));
    const int percent = int(state.range(1));
    const QImage image1 = source(side, 1, kind);
    const QImage image2 = source(side, 2, kind);
    const double pyramids =
        double(ImagePyramid(image1).byteCount() + ImagePyramid(image2).byteCount());
    const bool reset = resetPeakMemory();
    {
        ContentView view;
        WindowState& s = view.state();
        s.image1.set(image1);
        s.image2.set(image2);
        s.crop1.set(centredCrop(side, percent));
        s.crop2.set(centredCrop(side, percent));
        view.refresh(); // builds the reduced copies once, as the first refresh after loading does
        if (!s.statusMsg().isEmpty() || s.resultCG().isNull()) {
            state.SkipWithError("composition failed");
            return;
        }
        for (auto _ : state) {
            view.refresh();
            benchmark::DoNotOptimize(s.resultCG().constBits());
        }
    }
    state.counters["peak_MB"] = peakMegabytes();
    state.counters["images_MB"] = double(image1.sizeInBytes() + image2.sizeInBytes()) / megabyte;
    state.counters["pyramids_MB"] = pyramids / megabyte;
    if (!reset)
        state.SetLabel("peak is the lifetime peak");
}

void BM_Refresh(benchmark::State& state)
{
    refreshCase(state, Grey);
}

void BM_RefreshColour(benchmark::State& state)
{
    refreshCase(state, Colour);
}

void BM_PyramidBuild(benchmark::State& state)
{
    const QImage image = source(int(state.range(0)), 1, Kind(state.range(1)));
    qint64 bytes = 0;
    for (auto _ : state) {
        ImagePyramid pyramid(image);
        bytes = pyramid.byteCount();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["pyramid_MB"] = double(bytes) / megabyte;
}

void refreshArguments(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"side", "crop%"})
        ->ArgsProduct({{512, 1024, 2048, 4096}, {70, 100}})
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(9)
        ->ReportAggregatesOnly(true);
}

// Which inner loops ran, in the report's header.
const bool contextNamed =
    (benchmark::AddCustomContext("resampler", resample::activeKernels().name), true);

} // namespace

BENCHMARK(BM_Refresh)->Apply(refreshArguments);
BENCHMARK(BM_RefreshColour)->Apply(refreshArguments);
BENCHMARK(BM_PyramidBuild)
    ->ArgNames({"side", "colour"})
    ->ArgsProduct({{512, 1024, 2048, 4096}, {Grey, Colour}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
