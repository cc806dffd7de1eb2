#pragma once

#include <cstdint>

// The inner loops of the resampler, in fixed point on 16-bit lanes:
//  - source values are bytes shifted left by 7 (Q7), widened as the vertical
//    pass reads them, so source rows are read where they lie;
//  - weights are Q14 and sum exactly to 1 << 14 on each axis;
//  - the vertical pass keeps the high half of each Q7 x Q14 product, so its
//    sums are Q5 (at most about 255 * 32 * 1.3, well inside 16 bits);
//  - the horizontal pass multiplies Q5 values by Q14 weights into exact
//    32-bit sums (Q19), rounded once to bytes at the end.
// The vertical pass writes colour rows as two neighbouring pixels per eight
// lanes with their channels interleaved (r0 r1 g0 g1 b0 b1 a0 a1), so one
// multiply-add of the horizontal pass applies two taps to all four channels
// at once. Grey rows (an
// opaque image whose pixels all have red = green = blue) store one value per
// pixel, eight pixels per eight lanes, and do a quarter of the work.
//
// Every instruction set computes exactly the same numbers; the widest one
// the processor has is chosen when the program runs.

namespace resample {

constexpr int weightBits = 14;
constexpr int sourceShift = 7;
constexpr int verticalBits = sourceShift + weightBits - 16; // Q5
constexpr int finalShift = verticalBits + weightBits;       // Q19

// Eight 16-bit lanes: a colour pixel pair (r0 r1 g0 g1 b0 b1 a0 a1) or eight
// grey pixels.
struct alignas(16) Lanes {
    int16_t v[8];
};

// The horizontal filter of one axis. For canvas columns 2q and 2q + 1 and
// tap pair k, weights[((q * stride) + k) * 2] holds column 2q's weights and
// the next entry column 2q + 1's, each as (w0 w1 w0 w1 w0 w1 w0 w1). The
// table covers a multiple of four columns; padding columns have no weight.
struct HorizontalTable {
    const int* firstPair; // per column: first pixel pair read
    const Lanes* weights;
    int stride;  // tap pairs per column
    int columns; // columns in the table, a multiple of 4
    // The picture is opaque: every pixel written has alpha 255, whatever
    // the rounding of the alpha sums.
    bool opaque = false;
};

// The horizontal filter of one axis for grey rows: column x reads the grey
// values first[x] .. first[x] + stride - 1 with the Q14 weights
// weights[x * stride ...]. The stride and the number of columns are
// multiples of 8; padding has no weight.
struct GreyTable {
    const int* first;
    const std::int16_t* weights;
    int stride;
    int columns;
};

struct Kernels {
    const char* name;
    // For pixels m < `pixels` of four-byte source rows (R G B A, or B G R A
    // when `bgra`), every channel c:
    //   bias + sum over t of high16((rows[t][m].c << 7) * weights[t]),
    // with bias = taps / 2 making up for the rounding down of each product,
    // written as (pixels + 1) / 2 pixel pairs in R G B A order; the partner
    // of an odd last pixel is 0.
    void (*verticalColour)(Lanes* out, const std::uint8_t* const* rows, const std::int16_t* weights,
                           int taps, int pixels, bool bgra);
    // The same for grey rows of one byte per pixel, written as
    // (pixels + 7) / 8 Lanes; lanes past the last pixel are 0.
    void (*verticalGrey)(Lanes* out, const std::uint8_t* const* rows, const std::int16_t* weights,
                         int taps, int pixels);
    // Filters every column of the table and writes them as premultiplied
    // RGBA bytes to `out`, each a valid pixel (alpha 0..255, or 255 where the
    // table is opaque; colour 0..alpha).
    void (*horizontal)(std::uint8_t* out, const Lanes* pairs, const HorizontalTable& table);
    // Filters every column of the grey table and writes them as opaque RGBA
    // bytes (g g g 255) to `out`.
    void (*horizontalGrey)(std::uint8_t* out, const std::int16_t* grey, const GreyTable& table);
};

enum class InstructionSet { Generic, Sse2, Avx2 };

bool isAvailable(InstructionSet set);
const Kernels& kernelsFor(InstructionSet set);

// The kernels drawing uses: the widest available, unless a test chose others.
const Kernels& activeKernels();
void setActiveInstructionSet(InstructionSet set); // falls back to Generic if unavailable
InstructionSet bestInstructionSet();

namespace generic {
extern const Kernels kernels;
// The vertical passes from pixel `begin` on (even for colour, a multiple of
// 8 for grey): the tails the vector versions leave.
void verticalColourFrom(Lanes* out, const std::uint8_t* const* rows, const std::int16_t* weights,
                        int taps, int begin, int pixels, bool bgra);
void verticalGreyFrom(Lanes* out, const std::uint8_t* const* rows, const std::int16_t* weights,
                      int taps, int begin, int pixels);
} // namespace generic
namespace sse2 {
extern const Kernels kernels; // only meaningful where isAvailable(Sse2)
}
namespace avx2 {
extern const Kernels kernels; // only meaningful where isAvailable(Avx2)
}

} // namespace resample
