// A crop drag on a window holding two 2048-pixel colour images: every mouse move goes
// through the real editor, recomposes (refresh) and repaints the window. The same for
// a held arrow key: every repeat moves the crop one pixel, recomposes and repaints.
// Under an X server (`make bench` runs one case under Xvfb), the drag is also made
// with XTest input, as a user's mouse: each move is timed from the motion sent to the
// server until the window's new picture has been painted and reached the server.
#include "Tinted.h"
#include "app/ContentView.h"
#include "slots/CropEditor.h"
#include "slots/DropZoneView.h"
#include "support/AngioImage.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

namespace {

// Processor time of this thread, in milliseconds: what a move costs, apart
// from waiting for a processor on a busy machine.
double threadMilliseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double percentile(std::vector<double> values, double q)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(q * double(values.size())))];
}

// Shows `window` with two 2048-pixel colour images, composed and painted once;
// the crop editor of slot 1, or nothing (the benchmark is then skipped).
CropEditor* showWindow(ContentView& window, benchmark::State& state)
{
    window.resize(960, 900);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        state.SkipWithError("window not shown");
        return nullptr;
    }
    window.state().image1.set(tinted(testsupport::angiogram(2048, 1)));
    window.state().image2.set(tinted(testsupport::angiogram(2048, 3)));
    window.refresh();
    QCoreApplication::processEvents();
    auto* slot = window.findChild<DropZoneView*>(QStringLiteral("slot1"));
    CropEditor* editor = slot ? slot->editor() : nullptr;
    if (!editor || !editor->isVisible()) {
        state.SkipWithError("crop editor not found");
        return nullptr;
    }
    window.repaint();
    return editor;
}

void BM_CropDrag(benchmark::State& state)
{
    ContentView window;
    CropEditor* editor = showWindow(window, state);
    if (!editor)
        return;

    constexpr int moves = 200;
    // Over all runs: wall time, processor time of the move and the repaint,
    // and of the repaint alone.
    std::vector<double> perMove;
    std::vector<double> cpuPerMove;
    std::vector<double> repaintCpu;
    for (auto _ : state) {
        state.PauseTiming();
        window.state().crop1.set(std::nullopt);
        const QPoint start(40, 20);
        QTest::mousePress(editor, Qt::LeftButton, Qt::NoModifier, start);
        state.ResumeTiming();
        for (int i = 1; i <= moves; ++i) {
            // Out and back along a diagonal, with some sideways wobble.
            const double t =
                i <= moves / 2 ? double(i) / (moves / 2) : 2.0 - double(i) / (moves / 2);
            const QPoint at = start + QPoint(int(240 * t + 8 * std::sin(i * 0.3)), int(200 * t));
            QElapsedTimer timer;
            timer.start();
            const double cpu0 = threadMilliseconds();
            QTest::mouseMove(editor, at);
            const double cpu1 = threadMilliseconds();
            window.repaint();
            const double cpu2 = threadMilliseconds();
            perMove.push_back(timer.nsecsElapsed() / 1e6);
            cpuPerMove.push_back(cpu2 - cpu0);
            repaintCpu.push_back(cpu2 - cpu1);
        }
        state.PauseTiming();
        QTest::mouseRelease(editor, Qt::LeftButton, Qt::NoModifier, start + QPoint(120, 100));
        state.ResumeTiming();
    }
    state.counters["median_ms"] = percentile(perMove, 0.5);
    state.counters["p90_ms"] = percentile(perMove, 0.9);
    state.counters["median_cpu_ms"] = percentile(cpuPerMove, 0.5);
    state.counters["repaint_cpu_ms"] = percentile(repaintCpu, 0.5);
    state.SetItemsProcessed(state.iterations() * moves);
}

// An arrow key held down: 100 repeats to the right, 100 back, each one pixel.
void BM_CropKeys(benchmark::State& state)
{
    ContentView window;
    CropEditor* editor = showWindow(window, state);
    if (!editor)
        return;
    editor->setFocus();
    constexpr int keys = 200;
    std::vector<double> perKey;
    std::vector<double> cpuPerKey;
    for (auto _ : state) {
        state.PauseTiming();
        window.state().crop1.set(QRectF(600, 600, 800, 800));
        state.ResumeTiming();
        for (int i = 0; i < keys; ++i) {
            QKeyEvent press(QEvent::KeyPress, i < keys / 2 ? Qt::Key_Right : Qt::Key_Left,
                            Qt::NoModifier, QString(), /*autorep=*/i > 0);
            QElapsedTimer timer;
            timer.start();
            const double cpu0 = threadMilliseconds();
            QCoreApplication::sendEvent(editor, &press);
            window.repaint();
            cpuPerKey.push_back(threadMilliseconds() - cpu0);
            perKey.push_back(timer.nsecsElapsed() / 1e6);
        }
        if (window.state().crop1() != QRectF(600, 600, 800, 800))
            state.SkipWithError("the keys did not move the crop there and back");
    }
    state.counters["median_ms"] = percentile(perKey, 0.5);
    state.counters["p90_ms"] = percentile(perKey, 0.9);
    state.counters["median_cpu_ms"] = percentile(cpuPerKey, 0.5);
    state.SetItemsProcessed(state.iterations() * keys);
}

} // namespace

// Last, as Xlib's macros (KeyPress, None...) would clash with Qt's names above.
#ifdef PAIRVUE_BENCH_XTEST
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace {

// Counts the update requests (paint and flush) a window has been sent.
class UpdateCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::UpdateRequest)
            ++count;
        return false;
    }
};

// Waits, handling events, until `done` holds or `limitMs` have passed.
template <typename Done> bool waitFor(Done done, int limitMs)
{
    QElapsedTimer timer;
    timer.start();
    QTimer wake; // so that waiting for events cannot outlast the limit
    wake.start(5);
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void BM_CropDragThroughX(benchmark::State& state)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11) {
        state.SkipWithError("needs an X server (QT_QPA_PLATFORM=xcb)");
        return;
    }
    Display* input = XOpenDisplay(nullptr);
    int event = 0, error = 0, major = 0, minor = 0;
    if (!input || !XTestQueryExtension(input, &event, &error, &major, &minor)) {
        state.SkipWithError("no XTest on this display");
        if (input)
            XCloseDisplay(input);
        return;
    }
    ContentView window;
    CropEditor* editor = showWindow(window, state);
    if (!editor) {
        XCloseDisplay(input);
        return;
    }
    UpdateCounter updates;
    window.installEventFilter(&updates);
    window.windowHandle()->installEventFilter(&updates);
    xcb_connection_t* qt = x11->connection();
    // A round trip on the window's own connection: everything it sent before, the
    // painted picture included, has been handled by the server.
    const auto roundTrip = [qt] {
        std::free(xcb_get_input_focus_reply(qt, xcb_get_input_focus(qt), nullptr));
    };
    const auto pointerTo = [&](QPoint local) {
        const QPoint global = editor->mapToGlobal(local);
        XTestFakeMotionEvent(input, -1, global.x(), global.y(), CurrentTime);
        XFlush(input);
    };

    constexpr int moves = 200;
    std::vector<double> perMove;
    int unchanged = 0; // moves that left the crop where it was (not timed)
    for (auto _ : state) {
        state.PauseTiming();
        window.state().crop1.set(std::nullopt);
        const QPoint start(40, 20);
        pointerTo(start);
        waitFor([] { return false; }, 50);
        XTestFakeButtonEvent(input, 1, True, CurrentTime);
        XFlush(input);
        waitFor([] { return false; }, 50);
        state.ResumeTiming();
        for (int i = 1; i <= moves; ++i) {
            const double t =
                i <= moves / 2 ? double(i) / (moves / 2) : 2.0 - double(i) / (moves / 2);
            const QPoint at = start + QPoint(int(240 * t + 8 * std::sin(i * 0.3)), int(200 * t));
            const std::optional<QRectF> before = window.state().crop1();
            const int painted = updates.count;
            QElapsedTimer timer;
            timer.start();
            pointerTo(at);
            // The crop follows, then the window is painted and flushed.
            if (!waitFor([&] { return window.state().crop1() != before; }, 500) ||
                !waitFor([&] { return updates.count > painted; }, 500)) {
                ++unchanged;
                continue;
            }
            QCoreApplication::processEvents(); // the update request handled whole
            roundTrip();
            perMove.push_back(timer.nsecsElapsed() / 1e6);
        }
        state.PauseTiming();
        XTestFakeButtonEvent(input, 1, False, CurrentTime);
        XFlush(input);
        waitFor([] { return false; }, 50);
        state.ResumeTiming();
    }
    XCloseDisplay(input);
    if (perMove.empty()) {
        state.SkipWithError("no move reached the window");
        return;
    }
    state.counters["median_ms"] = percentile(perMove, 0.5);
    state.counters["p90_ms"] = percentile(perMove, 0.9);
    state.counters["unchanged_moves"] = unchanged;
    state.SetItemsProcessed(state.iterations() * moves);
}

} // namespace
#endif

BENCHMARK(BM_CropDrag)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CropKeys)->Unit(benchmark::kMillisecond)->Iterations(3);
#ifdef PAIRVUE_BENCH_XTEST
BENCHMARK(BM_CropDragThroughX)->Unit(benchmark::kMillisecond)->Iterations(3);
#endif
