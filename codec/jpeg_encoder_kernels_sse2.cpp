// SSE2 forward DCT and quantisation: one block at a time, each row as two vectors of four
// floats; the zigzag reordering is scalar.
#include "jpeg_encoder_kernels.h"

#ifdef WEBCAM_HAS_X86_KERNELS
#include <emmintrin.h>

namespace {

struct F4 {
    __m128 v;
    inline F4 operator+(const F4& o) const { return {_mm_add_ps(v, o.v)}; }
    inline F4 operator-(const F4& o) const { return {_mm_sub_ps(v, o.v)}; }
    inline F4 operator*(const F4& o) const { return {_mm_mul_ps(v, o.v)}; }
};

inline void Dct(F4* x, const F4* c) {
    WEBCAM_FORWARD_DCT8(F4, x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], c[0], c[1], c[2], c[3]);
}

}  // namespace

void ForwardBlocksSse2(const uint8_t* rows, size_t stride, int count, const ForwardQuant& quant,
                       int16_t* bits, uint8_t* sizes, uint64_t* masks) {
    const F4 c[4] = {{_mm_set1_ps(kDct0707)},
                     {_mm_set1_ps(kDct0382)},
                     {_mm_set1_ps(kDct0541)},
                     {_mm_set1_ps(kDct1306)}};
    const __m128i zero = _mm_setzero_si128();
    const __m128i lowest = _mm_set1_epi16(-kMaxCoefficient),
                  highest = _mm_set1_epi16(kMaxCoefficient);
    const __m128 dcOffset = _mm_setr_ps(quant.dcOffset, 0, 0, 0);
    for (int b = 0; b < count; ++b, bits += 64, sizes += 64) {
        F4 r[2][8];  // columns 0-3 and 4-7 of the eight rows
        for (int row = 0; row < 8; ++row) {
            __m128i bytes =
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows + row * stride + b * 8));
            __m128i words = _mm_unpacklo_epi8(bytes, zero);
            r[0][row].v = _mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero));
            r[1][row].v = _mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero));
        }
        Dct(r[0], c);  // down the columns
        Dct(r[1], c);
        // t[q][col] holds rows 4q..4q+3 of a column.
        F4 t[2][8];
        for (int half = 0; half < 2; ++half)
            for (int q = 0; q < 2; ++q) {
                __m128 m0 = r[half][4 * q].v, m1 = r[half][4 * q + 1].v, m2 = r[half][4 * q + 2].v,
                       m3 = r[half][4 * q + 3].v;
                _MM_TRANSPOSE4_PS(m0, m1, m2, m3);
                t[q][4 * half] = {m0}, t[q][4 * half + 1] = {m1}, t[q][4 * half + 2] = {m2},
                         t[q][4 * half + 3] = {m3};
            }
        Dct(t[0], c);  // along the rows
        Dct(t[1], c);
        // t[q][v] holds vertical frequencies 4q..4q+3 of horizontal frequency v: transposed row v.
        alignas(16) int16_t transposed[64];
        for (int v = 0; v < 8; ++v) {
            __m128 lo = _mm_mul_ps(t[0][v].v, _mm_load_ps(quant.multipliers + v * 8));
            __m128 hi = _mm_mul_ps(t[1][v].v, _mm_load_ps(quant.multipliers + v * 8 + 4));
            if (v == 0)
                lo = _mm_add_ps(lo, dcOffset);
            __m128i words = _mm_packs_epi32(_mm_cvtps_epi32(lo), _mm_cvtps_epi32(hi));
            words = _mm_min_epi16(_mm_max_epi16(words, lowest), highest);
            _mm_store_si128(reinterpret_cast<__m128i*>(transposed + v * 8), words);
        }
        alignas(16) int16_t out[64];
        for (int k = 0; k < 64; ++k)
            out[k] = transposed[kZigzagTransposed[k]];
        uint64_t zeros = 0;  // a bit per coefficient that is zero
        for (int g = 0; g < 4; ++g) {
            __m128i lo = _mm_cmpeq_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 16 * g)), zero);
            __m128i hi = _mm_cmpeq_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(out + 16 * g + 8)), zero);
            zeros |= static_cast<uint64_t>(
                         static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(lo, hi))))
                     << (16 * g);
        }
        masks[b] = ~zeros & ~uint64_t{1};
        CodeNonzero(out, masks[b], bits, sizes);
    }
}

#endif
