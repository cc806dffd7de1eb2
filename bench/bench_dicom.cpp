// A DICOM cine run as the lab writes it: 1024 x 1024 pixels, 60 frames,
// 12 bits, JPEG lossless, made with DCMTK's own encoder. Through the real
// window, with a still picture in the other slot:
// - BM_DicomFirstFrame: from the load request to the first frame composed;
// - BM_DicomFrameStep: from a frame request (as Page Down asks) to that frame
//   shown and composed, when the frame was decoded ahead (the usual case:
//   the previous step's neighbours are decoded in the background);
// - BM_DicomFrameJump: the same for a frame not decoded yet (a jump with the
//   slider), the background decoding of the neighbours done;
// - BM_DicomRunMemory: resident memory a run takes once all 60 frames are
//   decoded (run_MB), beside the file's size (file_MB);
// - BM_DicomDecodeFrame: the decode of one frame alone (DCMTK and the copy);
// - BM_DicomRefusedPeak: the peak memory while each hostile file of the tests
//   is refused (peak_MB above the resident memory before it).
#include "Memory.h"
#include "app/ContentView.h"
#include "imaging/PictureSource.h"
#include "slots/SlotLoading.h"
#include "slots/SlotRun.h"
#include "support/AngioImage.h"
#include "support/DicomFiles.h"
#include "support/SlotFixtures.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

struct Run {
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("run.dcm"));
    bool written = false;

    Run()
    {
        const QImage base =
            testsupport::angiogram(1024, 3).convertToFormat(QImage::Format_Grayscale8);
        testsupport::DicomTestFile recipe;
        recipe.rows = recipe.columns = 1024;
        recipe.frames = 60;
        recipe.bitsStored = 12;
        recipe.syntax = EXS_JPEGProcess14SV1;
        recipe.window = {2048, 4096};
        recipe.angles = {-30, 20};
        recipe.value = [&base](int f, int x, int y, int) {
            // The picture drifts a little from frame to frame, as a beating heart does.
            return std::min(4095, base.constScanLine(y)[(x + f) % 1024] * 16 + (x * y + f) % 13);
        };
        written = testsupport::writeDicom(path, recipe);
    }
};

const Run& run()
{
    static const Run r;
    return r;
}

// A shown window with a still angiogram in slot 2, so that every frame composes.
struct Window {
    ContentView view;
    bool exposed = false;
    Window()
    {
        view.resize(960, 900);
        view.show();
        exposed = QTest::qWaitForWindowExposed(&view);
        view.state().image2.set(testsupport::angiogram(1024, 5));
        view.refresh();
    }
    // Loads the run into slot 1 and waits for it to be composed.
    bool load()
    {
        const QImage before = view.state().resultCG();
        bool done = false;
        loadImage(view.state(), 1, run().path, [&] {
            view.refresh();
            done = true;
        });
        return waitFor(done) && view.state().resultCG().cacheKey() != before.cacheKey();
    }
    bool showFrame(int index)
    {
        bool done = false;
        SlotRun::of(view.state(), 1).showFrame(index, [&] {
            view.refresh();
            done = true;
        });
        return waitFor(done);
    }
    // The run loaded into slot 1, or null (the benchmark is then skipped).
    SlotRun* loadedRun(benchmark::State& state)
    {
        if (!run().written || !load()) {
            state.SkipWithError("run not loaded");
            return nullptr;
        }
        return &SlotRun::of(view.state(), 1);
    }

private:
    // Handles events, sleeping between them, until `done` is set; false
    // after 10 s.
    static bool waitFor(const bool& done)
    {
        QElapsedTimer wait;
        wait.start();
        while (!done && wait.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        return done;
    }
};

void BM_DicomFirstFrame(benchmark::State& state)
{
    if (!run().written) {
        state.SkipWithError("run not written");
        return;
    }
    Window w;
    for (auto _ : state) {
        if (!w.load()) {
            state.SkipWithError("run not loaded");
            return;
        }
    }
    state.SetLabel("load request to first frame composed");
}
BENCHMARK(BM_DicomFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// Waits (untimed) until `ready` holds; false after 10 s.
template <typename Ready> bool waitFor(Ready ready)
{
    QElapsedTimer wait;
    wait.start();
    while (!ready()) {
        if (wait.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
    }
    return true;
}

bool ready(SlotRun& run, int index)
{
    return index < 0 || index >= run.frameCount() || run.source()->readyFrame(index);
}

// The neighbours of the frame shown are decoded: the background work is done.
bool settled(SlotRun& run)
{
    const int f = run.frame();
    return waitFor([&] {
        return ready(run, f - 1) && ready(run, f + 1) && (ready(run, f + 2) || ready(run, f - 2));
    });
}

void BM_DicomFrameStep(benchmark::State& state)
{
    Window w;
    SlotRun* loaded = w.loadedRun(state);
    if (!loaded)
        return;
    SlotRun& r = *loaded;
    for (auto _ : state) {
        state.PauseTiming();
        int next = r.frame() + 1;
        if (next == r.frameCount()) {
            w.load();
            next = r.frame() + 1;
        }
        if (!waitFor([&] { return ready(r, next); })) {
            state.SkipWithError("frame not decoded ahead");
            return;
        }
        state.ResumeTiming();
        if (!w.showFrame(next)) {
            state.SkipWithError("frame not shown");
            return;
        }
    }
    state.SetLabel("frame request to frame composed, decoded ahead");
}
BENCHMARK(BM_DicomFrameStep)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);

void BM_DicomFrameJump(benchmark::State& state)
{
    Window w;
    SlotRun* loaded = w.loadedRun(state);
    if (!loaded)
        return;
    SlotRun& r = *loaded;
    for (auto _ : state) {
        state.PauseTiming();
        // Seven frames on (beyond what is decoded ahead), or further to a frame
        // not decoded yet; a fresh run when every frame is.
        int target = -1;
        for (int round = 0; round < 2 && target < 0; ++round) {
            if (round == 1)
                w.load();
            settled(r);
            for (int k = 1; k < r.frameCount() && target < 0; ++k)
                if (const int t = (r.frame() + 7 * k) % r.frameCount(); !ready(r, t))
                    target = t;
        }
        state.ResumeTiming();
        if (target < 0 || !w.showFrame(target)) {
            state.SkipWithError("frame not shown");
            return;
        }
    }
    state.SetLabel("frame request to frame composed, not decoded yet");
}
BENCHMARK(BM_DicomFrameJump)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

void BM_DicomRunMemory(benchmark::State& state)
{
    for (auto _ : state) {
        Window w;
        w.view.state().image1.set(QImage());
        const double before = residentMegabytes();
        if (!run().written || !w.load()) {
            state.SkipWithError("run not loaded");
            return;
        }
        for (int f = 0; f < 60; ++f)
            w.showFrame(f);
        state.counters["run_MB"] = residentMegabytes() - before;
        state.counters["file_MB"] = double(QFileInfo(run().path).size()) / (1024.0 * 1024.0);
    }
}
BENCHMARK(BM_DicomRunMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

namespace {

// The decode alone, on this thread: one frame of a fresh source each time.
void BM_DicomDecodeFrame(benchmark::State& state)
{
    std::shared_ptr<PictureSource> source = openPictureSource(run().path);
    if (!source) {
        state.SkipWithError("run not opened");
        return;
    }
    int frame = 0;
    for (auto _ : state) {
        if (!source->frame(frame)) {
            state.SkipWithError("frame not decoded");
            return;
        }
        frame = (frame + 1) % 60;
    }
}
BENCHMARK(BM_DicomDecodeFrame)->Unit(benchmark::kMillisecond)->Iterations(59);

// The hostile files the tests refuse: peak memory while each is opened.
void BM_DicomRefusedPeak(benchmark::State& state)
{
    using testsupport::rawDicom;
    const QByteArray whole = rawDicom({.frames = 3, .pixelBytes = 32 * 48 * 2 * 3});
    const std::pair<const char*, QByteArray> files[] = {
        {"cut_off", whole.left(whole.size() * 2 / 3)},
        {"short_pixel_data", rawDicom({.frames = 3, .pixelBytes = 32 * 48 * 2 * 2})},
        {"declared_60000x60000x500",
         rawDicom({.rows = 60000, .columns = 60000, .frames = 500, .pixelBytes = 64})},
        {"no_pixel_data", rawDicom({.pixelBytes = -1})},
        {"deflate_bomb_300MiB", rawDicom({.deflatedMiB = 300})},
        {"nested_5000", rawDicom({.nesting = 5000})}};
    QTemporaryDir dir;
    for (auto _ : state) {
        for (const auto& [name, bytes] : files) {
            const QString file = writeBytes(QDir(dir.path()), QStringLiteral("hostile.dcm"), bytes);
            const double before = residentMegabytes();
            if (!resetPeakMemory()) {
                state.SkipWithError("peak memory cannot be reset here");
                return;
            }
            if (openPictureSource(file)) {
                state.SkipWithError("a hostile file was opened");
                return;
            }
            state.counters[std::string(name) + "_MB"] = peakMegabytes() - before;
        }
    }
}
BENCHMARK(BM_DicomRefusedPeak)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
