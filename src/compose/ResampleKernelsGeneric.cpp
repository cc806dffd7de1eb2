// Plain loops: the reference every vector version must match exactly, and
// the fallback on processors without one.

#include "compose/ResampleKernels.h"

#include <algorithm>

namespace resample::generic {
namespace {

void toPairs(Lanes* dst, const std::uint8_t* src, int pixels)
{
    for (int i = 0; i < pixels; i += 2) {
        Lanes& p = dst[i / 2];
        for (int c = 0; c < 4; ++c) {
            p.v[2 * c] = std::int16_t(src[4 * i + c] << sourceShift);
            p.v[2 * c + 1] = i + 1 < pixels ? std::int16_t(src[4 * i + 4 + c] << sourceShift) : 0;
        }
    }
}

void vertical(Lanes* out, const Lanes* const* rows, const std::int16_t* weights, int taps, int n)
{
    const int bias = taps / 2;
    for (int m = 0; m < n; ++m) {
        for (int c = 0; c < 8; ++c) {
            int sum = bias;
            for (int t = 0; t < taps; ++t)
                sum += (int(rows[t][m].v[c]) * weights[t]) >> 16;
            out[m].v[c] = std::int16_t(sum);
        }
    }
}

void horizontal(std::uint8_t* out, const Lanes* pairs, const HorizontalTable& table)
{
    for (int x = 0; x < table.columns; ++x) {
        const Lanes* p = pairs + table.firstPair[x];
        const Lanes* w = table.weights + size_t(x / 2) * size_t(table.stride) * 2 + (x & 1);
        int sums[4] = {0, 0, 0, 0};
        for (int k = 0; k < table.stride; ++k)
            for (int c = 0; c < 4; ++c)
                sums[c] += int(p[k].v[2 * c]) * w[2 * k].v[2 * c] +
                           int(p[k].v[2 * c + 1]) * w[2 * k].v[2 * c + 1];
        int v[4];
        for (int c = 0; c < 4; ++c)
            v[c] = std::clamp((sums[c] + (1 << (finalShift - 1))) >> finalShift, -32768, 32767);
        const int a = std::clamp(v[3], 0, 255);
        for (int c = 0; c < 3; ++c)
            out[4 * x + c] = std::uint8_t(std::clamp(v[c], 0, a));
        out[4 * x + 3] = std::uint8_t(a);
    }
}

void greyToLanes(Lanes* dst, const std::uint8_t* src, int pixels)
{
    for (int i = 0; i < pixels; i += 8)
        for (int k = 0; k < 8; ++k)
            dst[i / 8].v[k] = i + k < pixels ? std::int16_t(src[i + k] << sourceShift) : 0;
}

void horizontalGrey(std::uint8_t* out, const std::int16_t* grey, const GreyTable& table)
{
    for (int x = 0; x < table.columns; ++x) {
        const std::int16_t* g = grey + table.first[x];
        const std::int16_t* w = table.weights + size_t(x) * size_t(table.stride);
        int sum = 0;
        for (int t = 0; t < table.stride; ++t)
            sum += int(g[t]) * w[t];
        const int v = std::clamp((sum + (1 << (finalShift - 1))) >> finalShift, 0, 255);
        out[4 * x] = out[4 * x + 1] = out[4 * x + 2] = std::uint8_t(v);
        out[4 * x + 3] = 255;
    }
}

} // namespace

const Kernels kernels = {"generic", toPairs, vertical, horizontal, greyToLanes, horizontalGrey};

} // namespace resample::generic
