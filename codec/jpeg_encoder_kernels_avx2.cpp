// AVX2 forward DCT and quantisation: one block at a time, a row of eight floats a register;
// the zigzag reordering is scalar. Chosen at run time when the processor has AVX2.
#include "jpeg_encoder_kernels.h"

#ifdef WEBCAM_HAS_X86_KERNELS
#include <immintrin.h>

#include "snapshot/simd_target.h"

namespace {

struct F8 {
    __m256 v;
    WEBCAM_AVX2 inline F8 operator+(const F8& o) const { return {_mm256_add_ps(v, o.v)}; }
    WEBCAM_AVX2 inline F8 operator-(const F8& o) const { return {_mm256_sub_ps(v, o.v)}; }
    WEBCAM_AVX2 inline F8 operator*(const F8& o) const { return {_mm256_mul_ps(v, o.v)}; }
};

WEBCAM_AVX2 inline void Dct(F8* x, const F8* c) {
    WEBCAM_FORWARD_DCT8(F8, x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], c[0], c[1], c[2], c[3]);
}

// Rows become columns.
WEBCAM_AVX2 inline void Transpose(F8* r) {
    __m256 t[8], s[8];
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm256_unpacklo_ps(r[2 * i].v, r[2 * i + 1].v);
        t[2 * i + 1] = _mm256_unpackhi_ps(r[2 * i].v, r[2 * i + 1].v);
    }
    for (int i = 0; i < 2; ++i) {  // columns j and j + 4 of four rows
        s[4 * i] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], 0x44);
        s[4 * i + 1] = _mm256_shuffle_ps(t[4 * i], t[4 * i + 2], 0xEE);
        s[4 * i + 2] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], 0x44);
        s[4 * i + 3] = _mm256_shuffle_ps(t[4 * i + 1], t[4 * i + 3], 0xEE);
    }
    for (int j = 0; j < 4; ++j) {
        r[j].v = _mm256_permute2f128_ps(s[j], s[4 + j], 0x20);
        r[j + 4].v = _mm256_permute2f128_ps(s[j], s[4 + j], 0x31);
    }
}

}  // namespace

WEBCAM_AVX2 void ForwardBlocksAvx2(const uint8_t* rows, size_t stride, int count,
                                   const ForwardQuant& quant, int16_t* bits, uint8_t* sizes,
                                   uint64_t* masks) {
    const F8 c[4] = {{_mm256_set1_ps(kDct0707)},
                     {_mm256_set1_ps(kDct0382)},
                     {_mm256_set1_ps(kDct0541)},
                     {_mm256_set1_ps(kDct1306)}};
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lowest = _mm256_set1_epi16(-kMaxCoefficient),
                  highest = _mm256_set1_epi16(kMaxCoefficient);
    const __m256 dcOffset = _mm256_setr_ps(quant.dcOffset, 0, 0, 0, 0, 0, 0, 0);
    for (int b = 0; b < count; ++b, bits += 64, sizes += 64) {
        F8 r[8];
        for (int row = 0; row < 8; ++row) {
            __m128i bytes =
                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(rows + row * stride + b * 8));
            r[row].v = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(bytes));
        }
        Dct(r, c);  // down the columns
        Transpose(r);
        Dct(r, c);  // along the rows: r[v] holds vertical frequencies 0-7 of horizontal frequency v
        alignas(32) int16_t transposed[64];
        for (int v = 0; v < 8; v += 2) {
            __m256 a = _mm256_mul_ps(r[v].v, _mm256_load_ps(quant.multipliers + v * 8));
            __m256 b2 = _mm256_mul_ps(r[v + 1].v, _mm256_load_ps(quant.multipliers + v * 8 + 8));
            if (v == 0)
                a = _mm256_add_ps(a, dcOffset);
            // Packing works per lane: a 0-3, b 0-3, a 4-7, b 4-7, put back in order.
            __m256i words = _mm256_packs_epi32(_mm256_cvtps_epi32(a), _mm256_cvtps_epi32(b2));
            words = _mm256_permute4x64_epi64(words, 0xD8);
            words = _mm256_min_epi16(_mm256_max_epi16(words, lowest), highest);
            _mm256_store_si256(reinterpret_cast<__m256i*>(transposed + v * 8), words);
        }
        alignas(32) int16_t out[64];
        for (int k = 0; k < 64; ++k)
            out[k] = transposed[kZigzagTransposed[k]];
        uint64_t zeros = 0;  // a bit per coefficient that is zero
        for (int g = 0; g < 2; ++g) {
            __m256i lo = _mm256_cmpeq_epi16(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + 32 * g)), zero);
            __m256i hi = _mm256_cmpeq_epi16(
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out + 32 * g + 16)), zero);
            __m256i bytes = _mm256_permute4x64_epi64(_mm256_packs_epi16(lo, hi), 0xD8);
            zeros |= static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(bytes)))
                     << (32 * g);
        }
        masks[b] = ~zeros & ~uint64_t{1};
        CodeNonzero(out, masks[b], bits, sizes);
    }
}

#endif
