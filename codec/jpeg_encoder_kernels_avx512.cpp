// AVX-512 forward DCT and quantisation (F and BW): two blocks side by side at a time, each
// register a row of both, and the zigzag reordering by word permutes. Chosen at run time when
// the processor has AVX-512BW.
#include "jpeg_encoder_kernels.h"

#ifdef WEBCAM_HAS_X86_KERNELS
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's own AVX-512 headers warn of their undefined registers when optimising (its bug 105593).
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#include <immintrin.h>

#include "snapshot/simd_target.h"

namespace {

struct F16 {
    __m512 v;
    WEBCAM_AVX512 inline F16 operator+(const F16& o) const { return {_mm512_add_ps(v, o.v)}; }
    WEBCAM_AVX512 inline F16 operator-(const F16& o) const { return {_mm512_sub_ps(v, o.v)}; }
    WEBCAM_AVX512 inline F16 operator*(const F16& o) const { return {_mm512_mul_ps(v, o.v)}; }
};

WEBCAM_AVX512 inline void Dct(F16* x, const F16* c) {
    WEBCAM_FORWARD_DCT8(F16, x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], c[0], c[1], c[2],
                        c[3]);
}

// Sixteen 32-bit indexes from a table.
WEBCAM_AVX512 inline __m512i Indexes(const int32_t* table) {
    return _mm512_loadu_si512(table);
}

// Rows become columns, in each block (each half of the registers) on its own.
WEBCAM_AVX512 inline void Transpose(F16* r, __m512i lowHalves, __m512i highHalves) {
    __m512 t[8], s[8];
    for (int i = 0; i < 4; ++i) {
        t[2 * i] = _mm512_unpacklo_ps(r[2 * i].v, r[2 * i + 1].v);
        t[2 * i + 1] = _mm512_unpackhi_ps(r[2 * i].v, r[2 * i + 1].v);
    }
    for (int i = 0; i < 2; ++i) {  // columns j and j + 4 of four rows, in each block
        s[4 * i] = _mm512_shuffle_ps(t[4 * i], t[4 * i + 2], 0x44);
        s[4 * i + 1] = _mm512_shuffle_ps(t[4 * i], t[4 * i + 2], 0xEE);
        s[4 * i + 2] = _mm512_shuffle_ps(t[4 * i + 1], t[4 * i + 3], 0x44);
        s[4 * i + 3] = _mm512_shuffle_ps(t[4 * i + 1], t[4 * i + 3], 0xEE);
    }
    for (int j = 0; j < 4; ++j) {
        r[j].v = _mm512_permutex2var_ps(s[j], lowHalves, s[4 + j]);
        r[j + 4].v = _mm512_permutex2var_ps(s[j], highHalves, s[4 + j]);
    }
}

// Lanes (of four floats) 0 of both, 2 of both; and 1 of both, 3 of both.
alignas(64) const int32_t kLowHalves[16] = {0, 1, 2,  3,  16, 17, 18, 19,
                                            8, 9, 10, 11, 24, 25, 26, 27};
alignas(64) const int32_t kHighHalves[16] = {4,  5,  6,  7,  20, 21, 22, 23,
                                             12, 13, 14, 15, 28, 29, 30, 31};

// The constants of the zigzag step: the order as word indexes into two registers of a block's
// transposed coefficients, and the magnitude categories of values of up to ten bits looked up
// in two halves, bits 0-4 and bits 5-9.
struct ZigzagTables {
    alignas(64) int16_t first[32], second[32];
    alignas(64) int16_t lowCategory[32], highCategory[32];
    ZigzagTables() {
        for (int k = 0; k < 32; ++k) {
            first[k] = kZigzagTransposed[k];
            second[k] = kZigzagTransposed[32 + k];
            lowCategory[k] = static_cast<int16_t>(BitLength(k));
            highCategory[k] = static_cast<int16_t>(k ? 5 + BitLength(k) : 0);
        }
    }
};

struct ZigzagRegisters {
    __m512i first, second, lowCategory, highCategory;
};

// Thirty-two coefficients' categories and coded bits.
WEBCAM_AVX512 inline void Code(__m512i values, const ZigzagRegisters& z, int16_t* bits,
                               uint8_t* sizes) {
    const __m512i one = _mm512_set1_epi16(1);
    __m512i magnitude = _mm512_abs_epi16(values);
    __m512i size =
        _mm512_max_epi16(_mm512_permutexvar_epi16(_mm512_srli_epi16(magnitude, 5), z.highCategory),
                         _mm512_permutexvar_epi16(
                             _mm512_and_si512(magnitude, _mm512_set1_epi16(31)), z.lowCategory));
    __m512i low = _mm512_sub_epi16(_mm512_sllv_epi16(one, size), one);
    __m512i coded = _mm512_and_si512(_mm512_add_epi16(values, _mm512_srai_epi16(values, 15)), low);
    _mm512_storeu_si512(bits, coded);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(sizes), _mm512_cvtepi16_epi8(size));
}

// One block's coefficients, transposed rows 0-3 and 4-7: clamped, in zigzag order, coded.
WEBCAM_AVX512 inline uint64_t StoreZigzag(__m512i rows0to3, __m512i rows4to7,
                                          const ZigzagRegisters& z, int16_t* bits, uint8_t* sizes) {
    const __m512i lowest = _mm512_set1_epi16(-kMaxCoefficient),
                  highest = _mm512_set1_epi16(kMaxCoefficient);
    rows0to3 = _mm512_min_epi16(_mm512_max_epi16(rows0to3, lowest), highest);
    rows4to7 = _mm512_min_epi16(_mm512_max_epi16(rows4to7, lowest), highest);
    __m512i z0 = _mm512_permutex2var_epi16(rows0to3, z.first, rows4to7);
    __m512i z1 = _mm512_permutex2var_epi16(rows0to3, z.second, rows4to7);
    Code(z0, z, bits, sizes);
    Code(z1, z, bits + 32, sizes + 32);
    bits[0] =
        static_cast<int16_t>(_mm_cvtsi128_si32(_mm512_castsi512_si128(z0)));  // the DC as it is
    return (static_cast<uint64_t>(_mm512_test_epi16_mask(z0, z0)) |
            static_cast<uint64_t>(_mm512_test_epi16_mask(z1, z1)) << 32) &
           ~uint64_t{1};
}

}  // namespace

WEBCAM_AVX512 void ForwardBlocksAvx512(const uint8_t* rows, size_t stride, int count,
                                       const ForwardQuant& quant, int16_t* bits, uint8_t* sizes,
                                       uint64_t* masks) {
    static const ZigzagTables tables;
    const ZigzagRegisters z = {_mm512_load_si512(tables.first), _mm512_load_si512(tables.second),
                               _mm512_load_si512(tables.lowCategory),
                               _mm512_load_si512(tables.highCategory)};
    const __m512i lowHalves = Indexes(kLowHalves), highHalves = Indexes(kHighHalves);
    const F16 c[4] = {{_mm512_set1_ps(kDct0707)},
                      {_mm512_set1_ps(kDct0382)},
                      {_mm512_set1_ps(kDct0541)},
                      {_mm512_set1_ps(kDct1306)}};
    // Each row of multipliers for both blocks.
    __m512 multipliers[8];
    for (int v = 0; v < 8; ++v)
        multipliers[v] = _mm512_castsi512_ps(_mm512_broadcast_i64x4(
            _mm256_load_si256(reinterpret_cast<const __m256i*>(quant.multipliers + v * 8))));
    const __m512 dcOffset = _mm512_maskz_mov_ps(0x0101, _mm512_set1_ps(quant.dcOffset));
    for (int b = 0; b < count; b += 2) {
        const bool pair = b + 1 < count;
        F16 r[8];
        for (int row = 0; row < 8; ++row) {
            const uint8_t* at = rows + row * stride + b * 8;
            __m128i bytes = pair ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(at))
                                 : _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at));
            r[row].v = _mm512_cvtepi32_ps(_mm512_cvtepu8_epi32(bytes));
        }
        Dct(r, c);  // down the columns
        Transpose(r, lowHalves, highHalves);
        Dct(r, c);  // along the rows: r[v] holds vertical frequencies 0-7 of horizontal frequency v
        __m256i words[8];  // transposed row v of the first block, then of the second
        for (int v = 0; v < 8; ++v) {
            __m512 scaled = _mm512_mul_ps(r[v].v, multipliers[v]);
            if (v == 0)
                scaled = _mm512_add_ps(scaled, dcOffset);
            words[v] = _mm512_cvtsepi32_epi16(_mm512_cvtps_epi32(scaled));
        }
        // Lanes of 128 bits: rows v and v + 1 of the first block, then of the second.
        __m512i pairs[4];
        for (int i = 0; i < 4; ++i)
            pairs[i] =
                _mm512_inserti64x4(_mm512_castsi256_si512(words[2 * i]), words[2 * i + 1], 1);
        // Rows 0, 1 | 2, 3 of one block: lanes 0 and 2 of the first pair, then of the second.
        constexpr int kFirstBlock = _MM_SHUFFLE(2, 0, 2, 0), kSecondBlock = _MM_SHUFFLE(3, 1, 3, 1);
        masks[b] = StoreZigzag(_mm512_shuffle_i64x2(pairs[0], pairs[1], kFirstBlock),
                               _mm512_shuffle_i64x2(pairs[2], pairs[3], kFirstBlock), z,
                               bits + 64 * b, sizes + 64 * b);
        if (pair)
            masks[b + 1] = StoreZigzag(_mm512_shuffle_i64x2(pairs[0], pairs[1], kSecondBlock),
                                       _mm512_shuffle_i64x2(pairs[2], pairs[3], kSecondBlock), z,
                                       bits + 64 * (b + 1), sizes + 64 * (b + 1));
    }
}

#endif
