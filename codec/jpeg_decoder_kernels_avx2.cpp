// AVX2 kernels: a block's row of eight floats in one register, the transpose between the two
// passes done with in-lane shuffles and lane swaps. Chosen at run time when the processor has
// AVX2.
#include "jpeg_decoder_kernels.h"

#ifdef WEBCAM_HAS_X86_KERNELS
#include <immintrin.h>

#include "snapshot/simd_target.h"

namespace {

// GCC's and clang's vector types have the arithmetic operators; others get them here.
#if !defined(__GNUC__) && !defined(__clang__)
inline __m256 operator+(__m256 a, __m256 b) {
    return _mm256_add_ps(a, b);
}
inline __m256 operator-(__m256 a, __m256 b) {
    return _mm256_sub_ps(a, b);
}
inline __m256 operator*(__m256 a, __m256 b) {
    return _mm256_mul_ps(a, b);
}
#endif

WEBCAM_AVX2 inline void Idct8(__m256* x) {
    const __m256 s = _mm256_set1_ps(kIdctSqrt2), a = _mm256_set1_ps(kIdctC2x2),
                 b = _mm256_set1_ps(kIdctC2MinusC6), c = _mm256_set1_ps(kIdctC2PlusC6);
    InverseDct8(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], s, a, b, c);
}

// x[i] lane j becomes x[j] lane i.
WEBCAM_AVX2 inline void Transpose8(__m256* x) {
    __m256 t0 = _mm256_unpacklo_ps(x[0], x[1]), t1 = _mm256_unpackhi_ps(x[0], x[1]);
    __m256 t2 = _mm256_unpacklo_ps(x[2], x[3]), t3 = _mm256_unpackhi_ps(x[2], x[3]);
    __m256 t4 = _mm256_unpacklo_ps(x[4], x[5]), t5 = _mm256_unpackhi_ps(x[4], x[5]);
    __m256 t6 = _mm256_unpacklo_ps(x[6], x[7]), t7 = _mm256_unpackhi_ps(x[6], x[7]);
    __m256 s0 = _mm256_shuffle_ps(t0, t2, 0x44), s1 = _mm256_shuffle_ps(t0, t2, 0xEE);
    __m256 s2 = _mm256_shuffle_ps(t1, t3, 0x44), s3 = _mm256_shuffle_ps(t1, t3, 0xEE);
    __m256 s4 = _mm256_shuffle_ps(t4, t6, 0x44), s5 = _mm256_shuffle_ps(t4, t6, 0xEE);
    __m256 s6 = _mm256_shuffle_ps(t5, t7, 0x44), s7 = _mm256_shuffle_ps(t5, t7, 0xEE);
    x[0] = _mm256_permute2f128_ps(s0, s4, 0x20), x[4] = _mm256_permute2f128_ps(s0, s4, 0x31);
    x[1] = _mm256_permute2f128_ps(s1, s5, 0x20), x[5] = _mm256_permute2f128_ps(s1, s5, 0x31);
    x[2] = _mm256_permute2f128_ps(s2, s6, 0x20), x[6] = _mm256_permute2f128_ps(s2, s6, 0x31);
    x[3] = _mm256_permute2f128_ps(s3, s7, 0x20), x[7] = _mm256_permute2f128_ps(s3, s7, 0x31);
}

// Four rows of samples as bytes, rounded and clamped: row i's eight in bytes 8i to 8i + 7.
WEBCAM_AVX2 inline __m256i FourRows(const __m256* x, __m256 shift, __m256i lowest,
                                    __m256i highest) {
    __m256i r0 = _mm256_cvtps_epi32(_mm256_add_ps(x[0], shift)),
            r1 = _mm256_cvtps_epi32(_mm256_add_ps(x[1], shift));
    __m256i r2 = _mm256_cvtps_epi32(_mm256_add_ps(x[2], shift)),
            r3 = _mm256_cvtps_epi32(_mm256_add_ps(x[3], shift));
    // Per lane of 128 bits: columns 0-3 (low lane) or 4-7 (high lane) of rows 0, 1, 2, 3.
    __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(r0, r1), _mm256_packs_epi32(r2, r3));
    bytes = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
    return _mm256_min_epu8(_mm256_max_epu8(bytes, lowest), highest);
}

WEBCAM_AVX2 inline void StoreFourRows(__m256i rows, uint8_t* out, size_t stride) {
    __m128i low = _mm256_castsi256_si128(rows), high = _mm256_extracti128_si256(rows, 1);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), low);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + stride), _mm_unpackhi_epi64(low, low));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2 * stride), high);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 3 * stride), _mm_unpackhi_epi64(high, high));
}

}  // namespace

WEBCAM_AVX2 void InverseBlockAvx2(int16_t* coefficients, const InverseQuant& quant, uint8_t* out,
                                  size_t stride) {
    __m256 x[8];  // x[i]: the transposed block's row i, a column of coefficients
    auto* words = reinterpret_cast<__m256i*>(coefficients);
    for (int pair = 0; pair < 4; ++pair) {
        __m256i two = _mm256_load_si256(words + pair);
        _mm256_store_si256(words + pair, _mm256_setzero_si256());
        x[2 * pair] =
            _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm256_castsi256_si128(two))),
                          _mm256_load_ps(quant.multipliers + 16 * pair));
        x[2 * pair + 1] = _mm256_mul_ps(
            _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm256_extracti128_si256(two, 1))),
            _mm256_load_ps(quant.multipliers + 16 * pair + 8));
    }
    Idct8(x);  // along the rows of coefficients: x[i] is column i of the half-done block
    Transpose8(x);
    Idct8(x);  // down the columns: x[y] is row y of samples
    const __m256 shift = _mm256_set1_ps(quant.offset);
    const __m256i lowest = _mm256_set1_epi8(static_cast<char>(quant.lowest)),
                  highest = _mm256_set1_epi8(static_cast<char>(quant.highest));
    StoreFourRows(FourRows(x, shift, lowest, highest), out, stride);
    StoreFourRows(FourRows(x + 4, shift, lowest, highest), out + 4 * stride, stride);
}

WEBCAM_AVX2 void PackRowAvx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                             int width) {
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        __m256i yy = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + x));
        __m128i uu = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + x / 2));
        __m128i vv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + x / 2));
        // The U V pairs of pixels 0-15 in the low lane, of 16-31 in the high lane.
        __m256i uv = _mm256_set_m128i(_mm_unpackhi_epi8(uu, vv), _mm_unpacklo_epi8(uu, vv));
        __m256i first = _mm256_unpacklo_epi8(yy, uv),
                second = _mm256_unpackhi_epi8(yy, uv);  // 0-7 | 16-23, 8-15 | 24-31
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * x),
                            _mm256_permute2x128_si256(first, second, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 2 * x + 32),
                            _mm256_permute2x128_si256(first, second, 0x31));
    }
    PackRowSse2(y + x, u + x / 2, v + x / 2, out + 2 * x, width - x);
}

#endif
