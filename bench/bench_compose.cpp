// Speed and memory of composition: one refresh() at the window's initial
// parameters for square angiogram-like sources, with a crop of 70 % of the
// side and with no crop, and the one-time build of an image's reduced copies.

#include "app/ContentView.h"
#include "compose/ImagePyramid.h"
#include "support/AngioImage.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

const QImage& source(int side, unsigned seed)
{
    static std::map<std::pair<int, unsigned>, QImage> images;
    auto it = images.find({side, seed});
    if (it == images.end())
        it = images.emplace(std::make_pair(side, seed), testsupport::angiogram(side, seed)).first;
    return it->second;
}

std::optional<QRectF> centredCrop(int side, int percent)
{
    if (percent >= 100)
        return std::nullopt;
    const int crop = side * percent / 100;
    const int at = (side - crop) / 2;
    return QRectF(at, at, crop, crop);
}

void BM_Refresh(benchmark::State& state)
{
    const int side = int(state.range(0));
    const int percent = int(state.range(1));
    ContentView view;
    WindowState& s = view.state();
    s.setImage1(source(side, 1));
    s.setImage2(source(side, 2));
    s.setCrop1(centredCrop(side, percent));
    s.setCrop2(centredCrop(side, percent));
    view.refresh(); // builds the reduced copies once, as loading does
    if (!s.statusMsg().isEmpty() || s.resultCG().isNull()) {
        state.SkipWithError("composition failed");
        return;
    }
    for (auto _ : state) {
        view.refresh();
        benchmark::DoNotOptimize(s.resultCG().constBits());
    }
    state.counters["peak_MB"] = peakMegabytes();
}

void BM_PyramidBuild(benchmark::State& state)
{
    const int side = int(state.range(0));
    const QImage& image = source(side, 1);
    qint64 bytes = 0;
    for (auto _ : state) {
        ImagePyramid pyramid(image);
        bytes = pyramid.byteCount();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["pyramid_MB"] = double(bytes) / (1024.0 * 1024.0);
    state.counters["peak_MB"] = peakMegabytes();
}

} // namespace

BENCHMARK(BM_Refresh)
    ->ArgNames({"side", "crop%"})
    ->ArgsProduct({{512, 1024, 2048, 4096}, {70, 100}})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK(BM_PyramidBuild)
    ->ArgName("side")
    ->Arg(512)
    ->Arg(1024)
    ->Arg(2048)
    ->Arg(4096)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
