// SSE2: part of every x86-64 processor, so no target flags are needed.

#include "compose/ResampleKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include <cstddef>
#include <cstring>

namespace resample::sse2 {
namespace {

// Bytes widened to Q7 16-bit lanes: into the high half, then down by one.
inline __m128i lowQ7(__m128i bytes)
{
    return _mm_srli_epi16(_mm_unpacklo_epi8(_mm_setzero_si128(), bytes), 1);
}
inline __m128i highQ7(__m128i bytes)
{
    return _mm_srli_epi16(_mm_unpackhi_epi8(_mm_setzero_si128(), bytes), 1);
}

// One pixel pair's lanes (c0 c1 c2 c3 of each pixel, memory order) as
// r0 r1 g0 g1 b0 b1 a0 a1.
inline __m128i toPair(__m128i a, bool bgra)
{
    if (bgra)
        a = _mm_shufflehi_epi16(_mm_shufflelo_epi16(a, _MM_SHUFFLE(3, 0, 1, 2)),
                                _MM_SHUFFLE(3, 0, 1, 2));
    return _mm_unpacklo_epi16(a, _mm_srli_si128(a, 8));
}

// The Q7 sums over every tap of 32 bytes, from `offset` in each row, in four
// registers of eight 16-bit lanes: bytes 0-7, 8-15, 16-23 and 24-31.
struct Sums {
    __m128i lanes[4];
};
inline Sums verticalSums(const std::uint8_t* const* rows, const std::int16_t* weights, int taps,
                         std::size_t offset)
{
    const __m128i bias = _mm_set1_epi16(std::int16_t(taps / 2));
    Sums s{{bias, bias, bias, bias}};
    for (int t = 0; t < taps; ++t) {
        const __m128i w = _mm_set1_epi16(weights[t]);
        const __m128i* r = reinterpret_cast<const __m128i*>(rows[t] + offset);
        const __m128i b0 = _mm_loadu_si128(r);
        const __m128i b1 = _mm_loadu_si128(r + 1);
        s.lanes[0] = _mm_add_epi16(s.lanes[0], _mm_mulhi_epi16(lowQ7(b0), w));
        s.lanes[1] = _mm_add_epi16(s.lanes[1], _mm_mulhi_epi16(highQ7(b0), w));
        s.lanes[2] = _mm_add_epi16(s.lanes[2], _mm_mulhi_epi16(lowQ7(b1), w));
        s.lanes[3] = _mm_add_epi16(s.lanes[3], _mm_mulhi_epi16(highQ7(b1), w));
    }
    return s;
}

void verticalColour(Lanes* out, const std::uint8_t* const* rows, const std::int16_t* weights,
                    int taps, int pixels, bool bgra)
{
    int m = 0;
    // Eight pixels (four pairs) at a time.
    for (; m + 8 <= pixels; m += 8) {
        const Sums s = verticalSums(rows, weights, taps, std::size_t(4) * std::size_t(m));
        __m128i* o = reinterpret_cast<__m128i*>(out + m / 2);
        for (int i = 0; i < 4; ++i)
            _mm_store_si128(o + i, toPair(s.lanes[i], bgra));
    }
    if (m < pixels)
        generic::verticalColourFrom(out, rows, weights, taps, m, pixels, bgra);
}

void verticalGrey(Lanes* out, const std::uint8_t* const* rows, const std::int16_t* weights,
                  int taps, int pixels)
{
    int m = 0;
    for (; m + 32 <= pixels; m += 32) {
        const Sums s = verticalSums(rows, weights, taps, std::size_t(m));
        __m128i* o = reinterpret_cast<__m128i*>(out + m / 8);
        for (int i = 0; i < 4; ++i)
            _mm_store_si128(o + i, s.lanes[i]);
    }
    if (m < pixels)
        generic::verticalGreyFrom(out, rows, weights, taps, m, pixels);
}

// The Q19 channel sums of one column from `Pairs` tap pairs (0: `stride`
// read at run time); a fixed count lets the compiler unroll.
template <int Pairs> inline __m128i filterColumn(const Lanes* p, const Lanes* w, int stride)
{
    const int count = Pairs > 0 ? Pairs : stride;
    __m128i acc = _mm_setzero_si128();
    for (int k = 0; k < count; ++k)
        acc = _mm_add_epi32(
            acc, _mm_madd_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(p + k)),
                                _mm_load_si128(reinterpret_cast<const __m128i*>(w + 2 * k))));
    return acc;
}

// Two columns' sums rounded to bytes, alpha clamped to 0..255 and colour to
// 0..alpha; the eight bytes are the two pixels. For an opaque picture
// `floor` is 255 everywhere and `opaque` 255 in the alpha lanes (else both
// are 0): alpha becomes 255.
inline std::uint64_t finishColumns(__m128i a, __m128i b, __m128i floor, __m128i opaque)
{
    const __m128i round = _mm_set1_epi32(1 << (finalShift - 1));
    a = _mm_srai_epi32(_mm_add_epi32(a, round), finalShift);
    b = _mm_srai_epi32(_mm_add_epi32(b, round), finalShift);
    __m128i s = _mm_packs_epi32(a, b);
    __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s, _MM_SHUFFLE(3, 3, 3, 3)),
                                        _MM_SHUFFLE(3, 3, 3, 3));
    alpha = _mm_min_epi16(_mm_max_epi16(alpha, floor), _mm_set1_epi16(255));
    s = _mm_max_epi16(_mm_min_epi16(_mm_max_epi16(s, _mm_setzero_si128()), alpha), opaque);
    return std::uint64_t(_mm_cvtsi128_si64(_mm_packus_epi16(s, s)));
}

template <int Pairs>
void horizontalFixed(std::uint8_t* out, const Lanes* pairs, const HorizontalTable& table)
{
    const int n = table.columns;
    const int stride = table.stride;
    const Lanes* w = table.weights;
    const __m128i floor = table.opaque ? _mm_set1_epi16(255) : _mm_setzero_si128();
    const __m128i opaque =
        table.opaque ? _mm_setr_epi16(0, 0, 0, 255, 0, 0, 0, 255) : _mm_setzero_si128();
    for (int x = 0; x < n; x += 2, w += 2 * stride) {
        const __m128i a = filterColumn<Pairs>(pairs + table.firstPair[x], w, stride);
        const __m128i b = filterColumn<Pairs>(pairs + table.firstPair[x + 1], w + 1, stride);
        const std::uint64_t two = finishColumns(a, b, floor, opaque);
        std::memcpy(out + 4 * x, &two, 8);
    }
}

void horizontal(std::uint8_t* out, const Lanes* pairs, const HorizontalTable& table)
{
    switch (table.stride) {
    case 1:
        return horizontalFixed<1>(out, pairs, table);
    case 2:
        return horizontalFixed<2>(out, pairs, table);
    case 3:
        return horizontalFixed<3>(out, pairs, table);
    case 4:
        return horizontalFixed<4>(out, pairs, table);
    case 5:
        return horizontalFixed<5>(out, pairs, table);
    case 6:
        return horizontalFixed<6>(out, pairs, table);
    case 7:
        return horizontalFixed<7>(out, pairs, table);
    case 8:
        return horizontalFixed<8>(out, pairs, table);
    default:
        return horizontalFixed<0>(out, pairs, table);
    }
}

// Four columns' Q19 sums, one per 32-bit lane.
inline __m128i sumColumns(__m128i a0, __m128i a1, __m128i a2, __m128i a3)
{
    const __m128i u01 = _mm_add_epi32(_mm_unpacklo_epi32(a0, a1), _mm_unpackhi_epi32(a0, a1));
    const __m128i u23 = _mm_add_epi32(_mm_unpacklo_epi32(a2, a3), _mm_unpackhi_epi32(a2, a3));
    return _mm_add_epi32(_mm_unpacklo_epi64(u01, u23), _mm_unpackhi_epi64(u01, u23));
}

template <int Taps>
inline __m128i filterGrey(const std::int16_t* g, const std::int16_t* w, int stride)
{
    const int taps = Taps > 0 ? Taps : stride;
    __m128i acc = _mm_setzero_si128();
    for (int t = 0; t < taps; t += 8)
        acc = _mm_add_epi32(
            acc, _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(g + t)),
                                _mm_load_si128(reinterpret_cast<const __m128i*>(w + t))));
    return acc;
}

template <int Taps>
void horizontalGreyFixed(std::uint8_t* out, const std::int16_t* grey, const GreyTable& table)
{
    const int stride = table.stride;
    const int* first = table.first;
    const __m128i round = _mm_set1_epi32(1 << (finalShift - 1));
    const __m128i opaque = _mm_set1_epi32(int(0xff000000u));
    for (int x = 0; x < table.columns; x += 4) {
        const std::int16_t* w = table.weights + size_t(x) * size_t(stride);
        __m128i s = sumColumns(filterGrey<Taps>(grey + first[x], w, stride),
                               filterGrey<Taps>(grey + first[x + 1], w + stride, stride),
                               filterGrey<Taps>(grey + first[x + 2], w + 2 * stride, stride),
                               filterGrey<Taps>(grey + first[x + 3], w + 3 * stride, stride));
        s = _mm_srai_epi32(_mm_add_epi32(s, round), finalShift);
        // Saturating packs clamp to 0..255; then each grey byte fills R, G, B.
        const __m128i g = _mm_packus_epi16(_mm_packs_epi32(s, s), _mm_setzero_si128());
        const __m128i gg = _mm_unpacklo_epi8(g, g);
        const __m128i rgba = _mm_or_si128(_mm_unpacklo_epi16(gg, gg), opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), rgba);
    }
}

void horizontalGrey(std::uint8_t* out, const std::int16_t* grey, const GreyTable& table)
{
    switch (table.stride) {
    case 8:
        return horizontalGreyFixed<8>(out, grey, table);
    case 16:
        return horizontalGreyFixed<16>(out, grey, table);
    case 24:
        return horizontalGreyFixed<24>(out, grey, table);
    default:
        return horizontalGreyFixed<0>(out, grey, table);
    }
}

} // namespace

const Kernels kernels = {"sse2", verticalColour, verticalGrey, horizontal, horizontalGrey};

} // namespace resample::sse2

#else

namespace resample::sse2 {
const Kernels kernels = generic::kernels;
}

#endif
