// A DICOM cine run as the lab writes it: 1024 x 1024 pixels, 60 frames,
// 12 bits, JPEG lossless, made with DCMTK's own encoder. Through the real
// window, with a still picture in the other slot:
// - BM_DicomFirstFrame: from the load request to the first frame composed;
// - BM_DicomFrameChange: from a frame request (as Page Down asks) to that
//   frame shown and composed; every measured frame is decoded, none cached;
// - BM_DicomRunMemory: resident memory a run takes once all 60 frames are
//   decoded (run_MB), beside the file's size (file_MB);
// - BM_DicomDecodeFrame: the decode of one frame alone (DCMTK and the copy).
#include "Memory.h"
#include "app/ContentView.h"
#include "imaging/PictureSource.h"
#include "slots/SlotLoading.h"
#include "slots/SlotRun.h"
#include "support/AngioImage.h"
#include "support/DicomFiles.h"

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
        QElapsedTimer wait;
        wait.start();
        while (!done && wait.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        return done && view.state().resultCG().cacheKey() != before.cacheKey();
    }
    bool showFrame(int index)
    {
        bool done = false;
        SlotRun::of(view.state(), 1).showFrame(index, [&] {
            view.refresh();
            done = true;
        });
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

void BM_DicomFrameChange(benchmark::State& state)
{
    Window w;
    if (!run().written || !w.load()) {
        state.SkipWithError("run not loaded");
        return;
    }
    int frame = SlotRun::of(w.view.state(), 1).frame();
    for (auto _ : state) {
        frame = (frame + 1) % 60;
        if (frame == 29) {
            // Every frame has been decoded once: a fresh run, nothing cached.
            state.PauseTiming();
            w.load();
            state.ResumeTiming();
            frame = 30;
        }
        if (!w.showFrame(frame)) {
            state.SkipWithError("frame not shown");
            return;
        }
    }
    state.SetLabel("frame request to frame composed, decoded each time");
}
BENCHMARK(BM_DicomFrameChange)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(59);

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

} // namespace
