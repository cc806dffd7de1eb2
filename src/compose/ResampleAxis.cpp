#include "compose/ResampleAxis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>

namespace {

constexpr double lobes = 3.0;

// The kernel sampled finely once; linear interpolation between samples is
// accurate to about 1e-7, far below one level in 255.
constexpr int tableSteps = 1024;
const std::array<float, int(lobes) * tableSteps + 2>& kernelTable()
{
    static const auto table = [] {
        std::array<float, int(lobes) * tableSteps + 2> t{};
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = float(lanczos3(double(i) / tableSteps));
        return t;
    }();
    return table;
}

double kernel(double x)
{
    x = std::abs(x);
    if (x >= lobes)
        return 0.0;
    const double pos = x * tableSteps;
    const int i = int(pos);
    const double f = pos - i;
    const auto& t = kernelTable();
    return t[size_t(i)] + (t[size_t(i) + 1] - t[size_t(i)]) * f;
}

} // namespace

double lanczos3(double x)
{
    x = std::abs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= lobes)
        return 0.0;
    const double px = std::numbers::pi * x;
    return lobes * std::sin(px) * std::sin(px / lobes) / (px * px);
}

AxisPlan planAxis(double destStart, double destLength, int canvasLength, int regionStart,
                  int regionLength, int usableBegin, int usableEnd, int levelScale)
{
    AxisPlan plan;
    const double destEnd = destStart + destLength;
    if (!(destLength > 0) || !std::isfinite(destStart) || !std::isfinite(destEnd) ||
        canvasLength <= 0 || regionLength <= 0 || usableEnd <= usableBegin || levelScale < 1)
        return plan;
    const double lo = std::max(std::floor(destStart), 0.0);
    const double hi = std::min(std::ceil(destEnd), double(canvasLength));
    if (!(hi > lo))
        return plan;
    plan.outBegin = int(lo);
    plan.outEnd = int(hi);
    const int n = plan.outCount();

    // Source pixels (of the level) per canvas pixel; the filter widens with
    // it when reducing, and keeps its natural width when enlarging.
    const double toSource = double(regionLength) / destLength;
    const double step = toSource / levelScale;
    const double filterScale = std::max(step, 1.0);
    const double support = lobes * filterScale;

    // Every canvas pixel reads at most this many source pixels.
    const int span = int(std::min(std::ceil(2.0 * support) + 2.0, double(usableEnd - usableBegin)));
    std::vector<float> weights(static_cast<size_t>(n) * static_cast<size_t>(span), 0.0f);
    std::vector<double> raw(static_cast<size_t>(span));
    plan.first.resize(size_t(n));
    plan.count.resize(size_t(n));
    plan.coverage.resize(size_t(n));
    int maxCount = 1;
    for (int i = 0; i < n; ++i) {
        const double x = double(plan.outBegin + i);
        // Centre of this canvas pixel in the level's pixel coordinates.
        const double centre = (regionStart + (x + 0.5 - destStart) * toSource) / levelScale;
        // Taps j whose centres j + 0.5 lie within the support, clipped to the
        // usable pixels in double before becoming integers.
        const double firstTap = std::ceil(centre - 0.5 - support);
        const double lastTap = std::floor(centre - 0.5 + support);
        const int a = int(std::clamp(firstTap, double(usableBegin), double(usableEnd - 1)));
        const int b = std::min(int(std::clamp(lastTap, double(usableBegin), double(usableEnd - 1))),
                               a + span - 1);
        std::fill(raw.begin(), raw.begin() + (b - a + 1), 0.0);
        double total = 0.0;
        // Taps beyond the usable pixels fold onto the edge pixel; taps further
        // out than the support cannot reach it.
        const double from = std::max(firstTap, double(usableBegin) - support - 1);
        const double to = std::min(lastTap, double(usableEnd - 1) + support + 1);
        for (double j = from; j <= to; j += 1.0) {
            const double w = kernel((j + 0.5 - centre) / filterScale);
            raw[size_t(int(std::clamp(j, double(a), double(b))) - a)] += w;
            total += w;
        }
        float* w = weights.data() + size_t(i) * size_t(span);
        if (std::abs(total) < 1e-12) {
            // Not reached for Lanczos-3 at these widths; fall back to the
            // nearest pixel rather than divide by nothing.
            w[size_t(int(std::clamp(std::floor(centre), double(a), double(b))) - a)] = 1.0f;
        } else {
            for (int k = 0; k <= b - a; ++k)
                w[k] = float(raw[size_t(k)] / total);
        }
        // Drop zero weights at either end so no pixel is read for nothing.
        int lo = 0;
        int hi = b - a;
        while (lo < hi && w[lo] == 0.0f)
            ++lo;
        while (hi > lo && w[hi] == 0.0f)
            --hi;
        if (lo > 0)
            std::copy(w + lo, w + hi + 1, w);
        std::fill(w + (hi - lo + 1), w + span, 0.0f);
        plan.first[size_t(i)] = a + lo;
        plan.count[size_t(i)] = hi - lo + 1;
        maxCount = std::max(maxCount, hi - lo + 1);

        const double covered = std::min(x + 1.0, destEnd) - std::max(x, destStart);
        plan.coverage[size_t(i)] = float(std::clamp(covered, 0.0, 1.0));
    }

    plan.taps = maxCount;
    plan.srcBegin = *std::min_element(plan.first.begin(), plan.first.end());
    plan.srcEnd = plan.srcBegin;
    plan.weights.assign(size_t(n) * size_t(maxCount), 0.0f);
    for (int i = 0; i < n; ++i) {
        plan.srcEnd = std::max(plan.srcEnd, plan.first[size_t(i)] + plan.count[size_t(i)]);
        plan.first[size_t(i)] -= plan.srcBegin;
        const float* w = weights.data() + size_t(i) * size_t(span);
        std::copy(w, w + maxCount, plan.weights.begin() + std::ptrdiff_t(i) * maxCount);
    }
    return plan;
}
