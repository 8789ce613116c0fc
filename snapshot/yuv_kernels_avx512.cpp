// AVX-512 kernels (F and BW): thirty-two pixels a register. Each pixel's U and V are put beside
// it as 16-bit words before any arithmetic (byte shuffles for the packed layouts, word
// permutes for the planar ones), so that every step works pixel for pixel in order and only
// the last one crosses lanes. Chosen at run time when the processor has AVX-512BW.
#include "yuv_kernels.h"

#ifdef WEBCAM_HAS_X86_KERNELS
#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's own AVX-512 headers warn of their undefined registers when optimising (its bug 105593).
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <immintrin.h>

#include "snapshot/simd_target.h"

namespace {

// The same fixed-point arithmetic as the scalar reference: terms of (value - 128) * 8 and of
// (luma - 16) * 2, each taken from the high half of a 16-bit product.
WEBCAM_AVX512 inline __m512i Scaled(__m512i words) {
    return _mm512_slli_epi16(_mm512_sub_epi16(words, _mm512_set1_epi16(128)), 3);
}

// Thirty-two pixels from their luma, U and V words, in order, to `out`.
WEBCAM_AVX512 inline void Store32(__m512i y, __m512i u, __m512i v, uint8_t* out) {
    __m512i luma = _mm512_mulhi_epu16(_mm512_add_epi16(y, y), _mm512_set1_epi16(int16_t(38140)));
    __m512i su = Scaled(u), sv = Scaled(v);
    __m512i b = _mm512_adds_epi16(luma, _mm512_mulhi_epi16(su, _mm512_set1_epi16(16531)));
    __m512i g = _mm512_adds_epi16(luma, _mm512_adds_epi16(_mm512_mulhi_epi16(su, _mm512_set1_epi16(-3203)),
                                                          _mm512_mulhi_epi16(sv, _mm512_set1_epi16(-6660))));
    __m512i r = _mm512_adds_epi16(luma, _mm512_mulhi_epi16(sv, _mm512_set1_epi16(13074)));
    // Bytes, clamped by the packing: per lane, blue then red and green then zero of 8 pixels.
    __m512i br = _mm512_packus_epi16(b, r), g0 = _mm512_packus_epi16(g, _mm512_setzero_si512());
    __m512i bg = _mm512_unpacklo_epi8(br, g0), r0 = _mm512_unpackhi_epi8(br, g0);
    __m512i first = _mm512_unpacklo_epi16(bg, r0), second = _mm512_unpackhi_epi16(bg, r0);
    // Pixels 0-3 and 4-7 of each lane's eight, put back in order.
    const __m512i low = _mm512_setr_epi64(0, 1, 8, 9, 2, 3, 10, 11);
    const __m512i high = _mm512_setr_epi64(4, 5, 12, 13, 6, 7, 14, 15);
    _mm512_storeu_si512(out, _mm512_permutex2var_epi64(first, low, second));
    _mm512_storeu_si512(out + 64, _mm512_permutex2var_epi64(first, high, second));
}

// Luma words of thirty-two bytes, 16 taken off without going below zero.
WEBCAM_AVX512 inline __m512i LumaWords(const uint8_t* y) {
    __m512i words = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y)));
    return _mm512_subs_epu16(words, _mm512_set1_epi16(16));
}

// Word indexes i / 2 + first for i = 0 to 31, stepping `step`: each index twice.
WEBCAM_AVX512 inline __m512i Twice(int first, int step) {
    alignas(64) int16_t indexes[32];
    for (int i = 0; i < 32; ++i) indexes[i] = static_cast<int16_t>(first + step * (i / 2));
    return _mm512_load_si512(indexes);
}

// Sixteen chroma bytes as thirty-two words, each twice: the pixels of a pair share it.
WEBCAM_AVX512 inline __m512i PairWords(const uint8_t* chroma, __m512i twice) {
    __m512i words = _mm512_zextsi256_si512(
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(chroma))));
    return _mm512_permutexvar_epi16(twice, words);
}

}  // namespace

WEBCAM_AVX512 void ConvertPixels444Avx512(const uint8_t* y, const uint8_t* u, const uint8_t* v,
                                          uint8_t* out, size_t count) {
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        __m512i uu = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(u + i)));
        __m512i vv = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + i)));
        Store32(LumaWords(y + i), uu, vv, out + 4 * i);
    }
    ConvertPixels444Avx2(y + i, u + i, v + i, out + 4 * i, count - i);
}

WEBCAM_AVX512 void ConvertRow422Avx512(const uint8_t* y, const uint8_t* u, const uint8_t* v,
                                       uint8_t* out, int width) {
    const __m512i twice = Twice(0, 1);
    int x = 0;
    for (; x + 32 <= width; x += 32)
        Store32(LumaWords(y + x), PairWords(u + x / 2, twice), PairWords(v + x / 2, twice), out + 4 * x);
    ConvertRow422Avx2(y + x, u + x / 2, v + x / 2, out + 4 * x, width - x);
}

WEBCAM_AVX512 void ConvertRowPair420Avx512(const uint8_t* y0, const uint8_t* y1, const uint8_t* u,
                                           const uint8_t* v, uint8_t* out0, uint8_t* out1, int width) {
    const __m512i twice = Twice(0, 1);
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        __m512i uu = PairWords(u + x / 2, twice), vv = PairWords(v + x / 2, twice);
        Store32(LumaWords(y0 + x), uu, vv, out0 + 4 * x);
        Store32(LumaWords(y1 + x), uu, vv, out1 + 4 * x);
    }
    ConvertRowPair420Avx2(y0 + x, y1 + x, u + x / 2, v + x / 2, out0 + 4 * x, out1 + 4 * x, width - x);
}

WEBCAM_AVX512 void ConvertRowPairNv12Avx512(const uint8_t* y0, const uint8_t* y1, const uint8_t* uv,
                                            uint8_t* out0, uint8_t* out1, int width) {
    // Sixteen U V pairs as words u0 v0 u1 v1 ...: each U and each V twice, for both pixels.
    const __m512i us = Twice(0, 2), vs = Twice(1, 2);
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        __m512i pairs = _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(uv + x)));
        __m512i uu = _mm512_permutexvar_epi16(us, pairs), vv = _mm512_permutexvar_epi16(vs, pairs);
        Store32(LumaWords(y0 + x), uu, vv, out0 + 4 * x);
        Store32(LumaWords(y1 + x), uu, vv, out1 + 4 * x);
    }
    ConvertRowPairNv12Scalar(y0 + x, y1 + x, uv + x, out0 + 4 * x, out1 + 4 * x, width - x);
}

namespace {

template <bool kUyvy>
WEBCAM_AVX512 void PackedRows(const uint8_t* packed, uint8_t* out, int width) {
    // Per lane of four pairs (Y0 U Y1 V or U Y0 V Y1): each pixel's U, and V, as a word.
    constexpr char Z = -128;
    const __m512i uOf = kUyvy ? _mm512_broadcast_i32x4(_mm_setr_epi8(0, Z, 0, Z, 4, Z, 4, Z, 8, Z, 8, Z, 12, Z, 12, Z))
                              : _mm512_broadcast_i32x4(_mm_setr_epi8(1, Z, 1, Z, 5, Z, 5, Z, 9, Z, 9, Z, 13, Z, 13, Z));
    const __m512i vOf = kUyvy ? _mm512_broadcast_i32x4(_mm_setr_epi8(2, Z, 2, Z, 6, Z, 6, Z, 10, Z, 10, Z, 14, Z, 14, Z))
                              : _mm512_broadcast_i32x4(_mm_setr_epi8(3, Z, 3, Z, 7, Z, 7, Z, 11, Z, 11, Z, 15, Z, 15, Z));
    const __m512i lowBytes = _mm512_set1_epi16(0x00FF), offset = _mm512_set1_epi16(16);
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        __m512i p = _mm512_loadu_si512(packed + 2 * x);
        __m512i luma = kUyvy ? _mm512_srli_epi16(p, 8) : _mm512_and_si512(p, lowBytes);
        Store32(_mm512_subs_epu16(luma, offset), _mm512_shuffle_epi8(p, uOf), _mm512_shuffle_epi8(p, vOf),
                out + 4 * x);
    }
    ConvertRowPackedAvx2(packed + 2 * x, out + 4 * x, width - x, kUyvy);
}

}  // namespace

WEBCAM_AVX512 void ConvertRowPackedAvx512(const uint8_t* packed, uint8_t* out, int width, bool uyvy) {
    if (uyvy)
        PackedRows<true>(packed, out, width);
    else
        PackedRows<false>(packed, out, width);
}

bool CpuHasAvx512() {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
#else
    int info[4];
    __cpuidex(info, 7, 0);
    return (info[1] & (1 << 16)) && (info[1] & (1 << 30));
#endif
}

#endif
