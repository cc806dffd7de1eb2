#pragma once

#include <vector>

// How one axis of a picture is resampled onto the canvas: which canvas pixels
// it touches, which source pixels each of them reads with what weight, and
// how much of each canvas pixel the picture covers.
//
// The filter is Lanczos-3, widened by the reduction factor when the picture
// is reduced. Taps that would fall outside the usable source pixels are
// folded onto the nearest usable one (edge clamping), so nothing outside a
// crop ever reaches the picture, and a flat picture stays exactly flat up to
// its edges.
struct AxisPlan {
    int outBegin = 0;            // first canvas pixel touched
    int outEnd = 0;              // one past the last
    int srcBegin = 0;            // first source pixel read
    int srcEnd = 0;              // one past the last
    int taps = 0;                // weights stored per canvas pixel (the largest count)
    std::vector<int> first;      // per canvas pixel: first source pixel read, from srcBegin
    std::vector<int> count;      // per canvas pixel: number of source pixels read
    std::vector<float> weights;  // per canvas pixel: `taps` weights summing to 1, zero-padded
    std::vector<float> coverage; // per canvas pixel: the length of it inside the picture

    bool isEmpty() const { return outEnd <= outBegin; }
    int outCount() const { return outEnd - outBegin; }
    int srcCount() const { return srcEnd - srcBegin; }
};

// Lanczos-3: sinc(x) sinc(x / 3) for |x| < 3, else 0.
double lanczos3(double x);

// Plans one axis.
//  destStart, destLength: where the picture lies on the canvas (canvas
//      pixels, fractional, possibly far outside the canvas);
//  canvasLength: canvas pixels on this axis;
//  regionStart, regionLength: the part of the image drawn, in level-0 pixels;
//  usableBegin, usableEnd: the source pixels that may be read, in the pixels
//      of the level sampled, which is `levelScale` level-0 pixels per pixel.
// Only canvas pixels the picture overlaps are planned; the plan is empty when
// none is. Every coordinate is clipped in double precision before it becomes
// an integer, so extreme placements cannot overflow.
AxisPlan planAxis(double destStart, double destLength, int canvasLength, int regionStart,
                  int regionLength, int usableBegin, int usableEnd, int levelScale);
