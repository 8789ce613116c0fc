// SSE2 kernels: each row of a block in two registers of four floats. The baseline of x86-64.
#include "jpeg_decoder_kernels.h"

#ifdef WEBCAM_HAS_X86_KERNELS
#include <emmintrin.h>

namespace {

// GCC's and clang's vector types have the arithmetic operators; others get them here.
#if !defined(__GNUC__) && !defined(__clang__)
inline __m128 operator+(__m128 a, __m128 b) {
    return _mm_add_ps(a, b);
}
inline __m128 operator-(__m128 a, __m128 b) {
    return _mm_sub_ps(a, b);
}
inline __m128 operator*(__m128 a, __m128 b) {
    return _mm_mul_ps(a, b);
}
#endif

inline void Idct8(__m128* x) {
    const __m128 s = _mm_set1_ps(kIdctSqrt2), a = _mm_set1_ps(kIdctC2x2),
                 b = _mm_set1_ps(kIdctC2MinusC6), c = _mm_set1_ps(kIdctC2PlusC6);
    InverseDct8(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], s, a, b, c);
}

}  // namespace

void InverseBlockSse2(int16_t* coefficients, const InverseQuant& quant, uint8_t* out,
                      size_t stride) {
    // r[half][i]: lanes 4 * half to 4 * half + 3 of the transposed block's row i, a column of
    // coefficients.
    __m128 r[2][8];
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 8; ++i) {
        __m128i words = _mm_load_si128(reinterpret_cast<const __m128i*>(coefficients + 8 * i));
        _mm_store_si128(reinterpret_cast<__m128i*>(coefficients + 8 * i), zero);
        __m128i sign = _mm_cmpgt_epi16(zero, words);
        r[0][i] = _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, sign)),
                             _mm_load_ps(quant.multipliers + 8 * i));
        r[1][i] = _mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(words, sign)),
                             _mm_load_ps(quant.multipliers + 8 * i + 4));
    }
    // Along the rows of coefficients (lanes), then transposed: t[half][j] holds vertical
    // frequency j at columns 4 * half to 4 * half + 3.
    Idct8(r[0]);
    Idct8(r[1]);
    __m128 t[2][8];
    for (int in = 0; in < 2; ++in)
        for (int outHalf = 0; outHalf < 2; ++outHalf) {
            __m128 m0 = r[in][4 * outHalf], m1 = r[in][4 * outHalf + 1],
                   m2 = r[in][4 * outHalf + 2], m3 = r[in][4 * outHalf + 3];
            _MM_TRANSPOSE4_PS(m0, m1, m2, m3);
            t[outHalf][4 * in] = m0, t[outHalf][4 * in + 1] = m1, t[outHalf][4 * in + 2] = m2,
                           t[outHalf][4 * in + 3] = m3;
        }
    // Down the columns: t[half][y] is row y of samples.
    Idct8(t[0]);
    Idct8(t[1]);
    const __m128 shift = _mm_set1_ps(quant.offset);
    const __m128i lowest = _mm_set1_epi8(static_cast<char>(quant.lowest)),
                  highest = _mm_set1_epi8(static_cast<char>(quant.highest));
    for (int y = 0; y < 8; ++y) {
        __m128i left = _mm_cvtps_epi32(_mm_add_ps(t[0][y], shift));
        __m128i right = _mm_cvtps_epi32(_mm_add_ps(t[1][y], shift));
        __m128i words = _mm_packs_epi32(left, right);
        __m128i bytes = _mm_min_epu8(_mm_max_epu8(_mm_packus_epi16(words, words), lowest), highest);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + y * stride), bytes);
    }
}

void PackRowSse2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int width) {
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m128i yy = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + x));
        __m128i uv =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + x / 2)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v + x / 2)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x), _mm_unpacklo_epi8(yy, uv));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * x + 16), _mm_unpackhi_epi8(yy, uv));
    }
    PackRowScalar(y + x, u + x / 2, v + x / 2, out + 2 * x, width - x);
}

#endif
