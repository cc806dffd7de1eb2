// AVX2, used only where the processor reports it: each function carries its
// own target attribute, so the rest of the program keeps the base
// instruction set.

#include "compose/ResampleKernels.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

#define PAIRVUE_AVX2 __attribute__((target("avx2")))

namespace resample::avx2 {
namespace {

PAIRVUE_AVX2 void toPairs(PixelPair* dst, const std::uint8_t* src, int pixels)
{
    // Within each 128-bit lane: r0 g0 b0 a0 r1 g1 b1 a1 -> r0 r1 g0 g1 b0 b1 a0 a1.
    const __m256i interleave =
        _mm256_setr_epi8(0, 1, 8, 9, 2, 3, 10, 11, 4, 5, 12, 13, 6, 7, 14, 15, 0, 1, 8, 9, 2, 3,
                         10, 11, 4, 5, 12, 13, 6, 7, 14, 15);
    int i = 0;
    for (; i + 4 <= pixels; i += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
        const __m256i words = _mm256_slli_epi16(_mm256_cvtepu8_epi16(bytes), sourceShift);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i / 2),
                            _mm256_shuffle_epi8(words, interleave));
    }
    if (i < pixels)
        generic::kernels.toPairs(dst + i / 2, src + 4 * i, pixels - i);
}

PAIRVUE_AVX2 void vertical(PixelPair* out, const PixelPair* const* rows,
                           const std::int16_t* weights, int taps, int n)
{
    const __m256i bias = _mm256_set1_epi16(std::int16_t(taps / 2));
    int m = 0;
    for (; m + 8 <= n; m += 8) {
        __m256i a0 = bias, a1 = bias, a2 = bias, a3 = bias;
        for (int t = 0; t < taps; ++t) {
            const __m256i w = _mm256_set1_epi16(weights[t]);
            const __m256i* r = reinterpret_cast<const __m256i*>(rows[t] + m);
            a0 = _mm256_add_epi16(a0, _mm256_mulhi_epi16(_mm256_loadu_si256(r), w));
            a1 = _mm256_add_epi16(a1, _mm256_mulhi_epi16(_mm256_loadu_si256(r + 1), w));
            a2 = _mm256_add_epi16(a2, _mm256_mulhi_epi16(_mm256_loadu_si256(r + 2), w));
            a3 = _mm256_add_epi16(a3, _mm256_mulhi_epi16(_mm256_loadu_si256(r + 3), w));
        }
        __m256i* o = reinterpret_cast<__m256i*>(out + m);
        _mm256_storeu_si256(o, a0);
        _mm256_storeu_si256(o + 1, a1);
        _mm256_storeu_si256(o + 2, a2);
        _mm256_storeu_si256(o + 3, a3);
    }
    for (; m < n; ++m) {
        __m128i a = _mm256_castsi256_si128(bias);
        for (int t = 0; t < taps; ++t)
            a = _mm_add_epi16(a, _mm_mulhi_epi16(
                                     _mm_load_si128(reinterpret_cast<const __m128i*>(rows[t] + m)),
                                     _mm_set1_epi16(weights[t])));
        _mm_store_si128(reinterpret_cast<__m128i*>(out + m), a);
    }
}

// The Q19 sums of two neighbouring columns (low lane: the even column), from
// `Pairs` tap pairs (0: `stride` read at run time).
template <int Pairs>
PAIRVUE_AVX2 inline __m256i filterColumns(const PixelPair* p0, const PixelPair* p1,
                                          const PixelPair* w, int stride)
{
    const int count = Pairs > 0 ? Pairs : stride;
    __m256i acc = _mm256_setzero_si256();
    for (int k = 0; k < count; ++k) {
        const __m256i data = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_load_si128(reinterpret_cast<const __m128i*>(p0 + k))),
            _mm_load_si128(reinterpret_cast<const __m128i*>(p1 + k)), 1);
        acc = _mm256_add_epi32(
            acc, _mm256_madd_epi16(data,
                                   _mm256_loadu_si256(reinterpret_cast<const __m256i*>(w + 2 * k))));
    }
    return acc;
}

template <int Pairs>
PAIRVUE_AVX2 void horizontalFixed(std::uint8_t* out, const PixelPair* pairs,
                                  const HorizontalTable& table)
{
    const int stride = table.stride;
    const int* first = table.firstPair;
    const __m256i round = _mm256_set1_epi32(1 << (finalShift - 1));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i max = _mm256_set1_epi16(255);
    // After packing, the lanes hold columns (0, 2 | 1, 3); put them in order.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    const PixelPair* w = table.weights;
    for (int x = 0; x < table.columns; x += 4, w += 4 * stride) {
        __m256i a = filterColumns<Pairs>(pairs + first[x], pairs + first[x + 1], w, stride);
        __m256i b = filterColumns<Pairs>(pairs + first[x + 2], pairs + first[x + 3],
                                         w + 2 * stride, stride);
        a = _mm256_srai_epi32(_mm256_add_epi32(a, round), finalShift);
        b = _mm256_srai_epi32(_mm256_add_epi32(b, round), finalShift);
        __m256i s = _mm256_packs_epi32(a, b);
        __m256i alpha = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(s, _MM_SHUFFLE(3, 3, 3, 3)),
                                               _MM_SHUFFLE(3, 3, 3, 3));
        alpha = _mm256_min_epi16(_mm256_max_epi16(alpha, zero), max);
        s = _mm256_min_epi16(_mm256_max_epi16(s, zero), alpha);
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(s, s), order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), _mm256_castsi256_si128(bytes));
    }
}

PAIRVUE_AVX2 void horizontal(std::uint8_t* out, const PixelPair* pairs,
                             const HorizontalTable& table)
{
    switch (table.stride) {
    case 1: return horizontalFixed<1>(out, pairs, table);
    case 2: return horizontalFixed<2>(out, pairs, table);
    case 3: return horizontalFixed<3>(out, pairs, table);
    case 4: return horizontalFixed<4>(out, pairs, table);
    case 5: return horizontalFixed<5>(out, pairs, table);
    case 6: return horizontalFixed<6>(out, pairs, table);
    case 7: return horizontalFixed<7>(out, pairs, table);
    case 8: return horizontalFixed<8>(out, pairs, table);
    default: return horizontalFixed<0>(out, pairs, table);
    }
}

} // namespace

const Kernels kernels = {"avx2", toPairs, vertical, horizontal};

} // namespace resample::avx2

#else

namespace resample::avx2 {
const Kernels kernels = generic::kernels;
}

#endif
