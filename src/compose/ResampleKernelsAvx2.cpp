// AVX2, used only where the processor reports it: each function carries its
// own target attribute, so the rest of the program keeps the base
// instruction set.

#include "compose/ResampleKernels.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

#define PAIRVUE_AVX2 __attribute__((target("avx2")))

namespace resample::avx2 {
namespace {

// Sixteen bytes widened to Q7 16-bit lanes.
PAIRVUE_AVX2 inline __m256i q7(const std::uint8_t* bytes)
{
    return _mm256_slli_epi16(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes))),
        sourceShift);
}

PAIRVUE_AVX2 void verticalColour(Lanes* out, const std::uint8_t* const* rows,
                                 const std::int16_t* weights, int taps, int pixels, bool bgra)
{
    // Within each 128-bit lane, one pixel pair c0 c1 c2 c3 | c0 c1 c2 c3
    // -> r0 r1 g0 g1 b0 b1 a0 a1.
    const __m256i order =
        bgra ? _mm256_setr_epi8(4, 5, 12, 13, 2, 3, 10, 11, 0, 1, 8, 9, 6, 7, 14, 15, 4, 5, 12, 13,
                                2, 3, 10, 11, 0, 1, 8, 9, 6, 7, 14, 15)
             : _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8, 9, 2,
                                3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    const __m256i bias = _mm256_set1_epi16(std::int16_t(taps / 2));
    int m = 0;
    // Sixteen pixels (eight pairs) at a time.
    for (; m + 16 <= pixels; m += 16) {
        __m256i a0 = bias, a1 = bias, a2 = bias, a3 = bias;
        for (int t = 0; t < taps; ++t) {
            const __m256i w = _mm256_set1_epi16(weights[t]);
            const std::uint8_t* r = rows[t] + 4 * m;
            a0 = _mm256_add_epi16(a0, _mm256_mulhi_epi16(q7(r), w));
            a1 = _mm256_add_epi16(a1, _mm256_mulhi_epi16(q7(r + 16), w));
            a2 = _mm256_add_epi16(a2, _mm256_mulhi_epi16(q7(r + 32), w));
            a3 = _mm256_add_epi16(a3, _mm256_mulhi_epi16(q7(r + 48), w));
        }
        __m256i* o = reinterpret_cast<__m256i*>(out + m / 2);
        _mm256_storeu_si256(o, _mm256_shuffle_epi8(a0, order));
        _mm256_storeu_si256(o + 1, _mm256_shuffle_epi8(a1, order));
        _mm256_storeu_si256(o + 2, _mm256_shuffle_epi8(a2, order));
        _mm256_storeu_si256(o + 3, _mm256_shuffle_epi8(a3, order));
    }
    // The rest four pixels (two pairs) at a time; the pairs written stay
    // whole, so an odd last pixel is left with its zero partner below.
    for (; m + 4 <= pixels - (pixels & 1); m += 4) {
        __m256i a = bias;
        for (int t = 0; t < taps; ++t)
            a = _mm256_add_epi16(
                a, _mm256_mulhi_epi16(q7(rows[t] + 4 * m), _mm256_set1_epi16(weights[t])));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + m / 2), _mm256_shuffle_epi8(a, order));
    }
    if (m < pixels)
        generic::verticalColourFrom(out, rows, weights, taps, m, pixels, bgra);
}

PAIRVUE_AVX2 void verticalGrey(Lanes* out, const std::uint8_t* const* rows,
                               const std::int16_t* weights, int taps, int pixels)
{
    const __m256i bias = _mm256_set1_epi16(std::int16_t(taps / 2));
    int m = 0;
    for (; m + 64 <= pixels; m += 64) {
        __m256i a0 = bias, a1 = bias, a2 = bias, a3 = bias;
        for (int t = 0; t < taps; ++t) {
            const __m256i w = _mm256_set1_epi16(weights[t]);
            const std::uint8_t* r = rows[t] + m;
            a0 = _mm256_add_epi16(a0, _mm256_mulhi_epi16(q7(r), w));
            a1 = _mm256_add_epi16(a1, _mm256_mulhi_epi16(q7(r + 16), w));
            a2 = _mm256_add_epi16(a2, _mm256_mulhi_epi16(q7(r + 32), w));
            a3 = _mm256_add_epi16(a3, _mm256_mulhi_epi16(q7(r + 48), w));
        }
        __m256i* o = reinterpret_cast<__m256i*>(out + m / 8);
        _mm256_storeu_si256(o, a0);
        _mm256_storeu_si256(o + 1, a1);
        _mm256_storeu_si256(o + 2, a2);
        _mm256_storeu_si256(o + 3, a3);
    }
    if (m < pixels)
        generic::verticalGreyFrom(out, rows, weights, taps, m, pixels);
}

// The Q19 sums of two neighbouring columns (low lane: the even column), from
// `Pairs` tap pairs (0: `stride` read at run time).
template <int Pairs>
PAIRVUE_AVX2 inline __m256i filterColumns(const Lanes* p0, const Lanes* p1, const Lanes* w,
                                          int stride)
{
    const int count = Pairs > 0 ? Pairs : stride;
    __m256i acc = _mm256_setzero_si256();
    for (int k = 0; k < count; ++k) {
        const __m256i data = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(p0 + k))),
            _mm_load_si128(reinterpret_cast<const __m128i*>(p1 + k)), 1);
        acc = _mm256_add_epi32(
            acc, _mm256_madd_epi16(
                     data, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 2 * k))));
    }
    return acc;
}

template <int Pairs>
PAIRVUE_AVX2 void horizontalFixed(std::uint8_t* out, const Lanes* pairs,
                                  const HorizontalTable& table)
{
    const int stride = table.stride;
    const int* first = table.firstPair;
    const __m256i round = _mm256_set1_epi32(1 << (finalShift - 1));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i max = _mm256_set1_epi16(255);
    // An opaque picture's alpha is raised to 255: `floor` is 255 in every
    // lane, `opaque` in the alpha lanes (else both are 0).
    const __m256i floor = table.opaque ? max : zero;
    const __m256i opaque =
        table.opaque ? _mm256_setr_epi16(0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255)
                     : zero;
    // After packing, the lanes hold columns (0, 2 | 1, 3); put them in order.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const Lanes* w = table.weights;
    for (int x = 0; x < table.columns; x += 4, w += 4 * stride) {
        __m256i a = filterColumns<Pairs>(pairs + first[x], pairs + first[x + 1], w, stride);
        __m256i b = filterColumns<Pairs>(pairs + first[x + 2], pairs + first[x + 3], w + 2 * stride,
                                         stride);
        a = _mm256_srai_epi32(_mm256_add_epi32(a, round), finalShift);
        b = _mm256_srai_epi32(_mm256_add_epi32(b, round), finalShift);
        __m256i s = _mm256_packs_epi32(a, b);
        __m256i alpha = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, _MM_SHUFFLE(3, 3, 3, 3)),
                                               _MM_SHUFFLE(3, 3, 3, 3));
        alpha = _mm256_min_epi16(_mm256_max_epi16(alpha, floor), max);
        s = _mm256_max_epi16(_mm256_min_epi16(_mm256_max_epi16(s, zero), alpha), opaque);
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(s, s), order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), _mm256_castsi256_si128(bytes));
    }
}

PAIRVUE_AVX2 void horizontal(std::uint8_t* out, const Lanes* pairs, const HorizontalTable& table)
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

// One column's partial sums from `Taps` weights (0: `stride` read at run
// time), a multiple of 8.
template <int Taps>
PAIRVUE_AVX2 inline __m256i filterGrey(const std::int16_t* g, const std::int16_t* w, int stride)
{
    const int taps = Taps > 0 ? Taps : stride;
    __m256i acc = _mm256_setzero_si256();
    int t = 0;
    for (; t + 16 <= taps; t += 16)
        acc = _mm256_add_epi32(
            acc, _mm256_madd_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(g + t)),
                                   _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + t))));
    if (t < taps) // eight taps left
        acc = _mm256_add_epi32(acc, _mm256_zextsi128_si256(_mm_madd_epi16(
                                        _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + t)),
                                        _mm_load_si128(reinterpret_cast<const __m128i*>(w + t)))));
    return acc;
}

template <int Taps>
PAIRVUE_AVX2 void horizontalGreyFixed(std::uint8_t* out, const std::int16_t* grey,
                                      const GreyTable& table)
{
    const int stride = table.stride;
    const int* first = table.first;
    const __m256i round = _mm256_set1_epi32(1 << (finalShift - 1));
    const __m256i opaque = _mm256_set1_epi32(int(0xff000000u));
    for (int x = 0; x < table.columns; x += 8) {
        const std::int16_t* w = table.weights + size_t(x) * size_t(stride);
        const __m256i a0 = filterGrey<Taps>(grey + first[x], w, stride);
        const __m256i a1 = filterGrey<Taps>(grey + first[x + 1], w + stride, stride);
        const __m256i a2 = filterGrey<Taps>(grey + first[x + 2], w + 2 * stride, stride);
        const __m256i a3 = filterGrey<Taps>(grey + first[x + 3], w + 3 * stride, stride);
        const __m256i a4 = filterGrey<Taps>(grey + first[x + 4], w + 4 * stride, stride);
        const __m256i a5 = filterGrey<Taps>(grey + first[x + 5], w + 5 * stride, stride);
        const __m256i a6 = filterGrey<Taps>(grey + first[x + 6], w + 6 * stride, stride);
        const __m256i a7 = filterGrey<Taps>(grey + first[x + 7], w + 7 * stride, stride);
        // Eight sums, in column order.
        const __m256i h0 = _mm256_hadd_epi32(_mm256_hadd_epi32(a0, a1), _mm256_hadd_epi32(a2, a3));
        const __m256i h1 = _mm256_hadd_epi32(_mm256_hadd_epi32(a4, a5), _mm256_hadd_epi32(a6, a7));
        __m256i s = _mm256_add_epi32(_mm256_permute2x128_si256(h0, h1, 0x20),
                                     _mm256_permute2x128_si256(h0, h1, 0x31));
        s = _mm256_srai_epi32(_mm256_add_epi32(s, round), finalShift);
        // Per 128-bit lane: four sums -> four bytes clamped to 0..255 -> four
        // opaque grey pixels.
        const __m256i packed = _mm256_packs_epi32(s, s);
        const __m256i g = _mm256_packus_epi16(packed, packed);
        const __m256i gg = _mm256_unpacklo_epi8(g, g);
        const __m256i rgba = _mm256_or_si256(_mm256_unpacklo_epi16(gg, gg), opaque);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x), rgba);
    }
}

PAIRVUE_AVX2 void horizontalGrey(std::uint8_t* out, const std::int16_t* grey,
                                 const GreyTable& table)
{
    switch (table.stride) {
    case 8:
        return horizontalGreyFixed<8>(out, grey, table);
    case 16:
        return horizontalGreyFixed<16>(out, grey, table);
    case 24:
        return horizontalGreyFixed<24>(out, grey, table);
    case 32:
        return horizontalGreyFixed<32>(out, grey, table);
    default:
        return horizontalGreyFixed<0>(out, grey, table);
    }
}

} // namespace

const Kernels kernels = {"avx2", verticalColour, verticalGrey, horizontal, horizontalGrey};

} // namespace resample::avx2

#else

namespace resample::avx2 {
const Kernels kernels = generic::kernels;
}

#endif
