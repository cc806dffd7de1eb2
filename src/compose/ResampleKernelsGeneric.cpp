// Plain loops: the reference every vector version must match exactly, and
// the fallback on processors without one.

#include "compose/ResampleKernels.h"

#include <algorithm>

namespace resample::generic {

void verticalColourFrom(Lanes* out, const std::uint8_t* const* rows, const std::int16_t* weights,
                        int taps, int begin, int pixels, bool bgra)
{
    const int bias = taps / 2;
    // Lane of memory channel c within a pair (R G B A order).
    const int rgbaOf[4] = {bgra ? 2 : 0, 1, bgra ? 0 : 2, 3};
    for (int m = begin; m < pixels + (pixels & 1); ++m) {
        Lanes& pair = out[m / 2];
        for (int c = 0; c < 4; ++c) {
            int sum = 0;
            if (m < pixels) {
                sum = bias;
                for (int t = 0; t < taps; ++t)
                    sum += (int(rows[t][4 * m + c] << sourceShift) * weights[t]) >> 16;
            }
            pair.v[2 * rgbaOf[c] + (m & 1)] = std::int16_t(sum);
        }
    }
}

void verticalGreyFrom(Lanes* out, const std::uint8_t* const* rows, const std::int16_t* weights,
                      int taps, int begin, int pixels)
{
    const int bias = taps / 2;
    for (int m = begin; m < (pixels + 7) / 8 * 8; ++m) {
        int sum = 0;
        if (m < pixels) {
            sum = bias;
            for (int t = 0; t < taps; ++t)
                sum += (int(rows[t][m] << sourceShift) * weights[t]) >> 16;
        }
        out[m / 8].v[m % 8] = std::int16_t(sum);
    }
}

namespace {

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
        const int a = table.opaque ? 255 : std::clamp(v[3], 0, 255);
        for (int c = 0; c < 3; ++c)
            out[4 * x + c] = std::uint8_t(std::clamp(v[c], 0, a));
        out[4 * x + 3] = std::uint8_t(a);
    }
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

void verticalColour(Lanes* out, const std::uint8_t* const* rows, const std::int16_t* weights,
                    int taps, int pixels, bool bgra)
{
    verticalColourFrom(out, rows, weights, taps, 0, pixels, bgra);
}

void verticalGrey(Lanes* out, const std::uint8_t* const* rows, const std::int16_t* weights,
                  int taps, int pixels)
{
    verticalGreyFrom(out, rows, weights, taps, 0, pixels);
}

} // namespace

const Kernels kernels = {"generic", verticalColour, verticalGrey, horizontal, horizontalGrey};

} // namespace resample::generic
