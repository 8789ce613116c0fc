// AVX2 kernels: thirty-two pixels per step. Lanes of 128 bits are put back in pixel order where
// the instructions work within lanes. Chosen at run time when the processor has AVX2.
#include "yuv_kernels.h"

#ifdef WEBCAM_HAS_X86_KERNELS
#include <immintrin.h>

#if defined(__GNUC__) || defined(__clang__)
#define WEBCAM_AVX2 __attribute__((target("avx2")))
#else
#define WEBCAM_AVX2
#endif

namespace {

struct Terms {
    __m256i blue, green, red;  // sixteen 16-bit lanes each
};

WEBCAM_AVX2 inline __m256i Scaled(__m256i words) {
    return _mm256_slli_epi16(_mm256_sub_epi16(words, _mm256_set1_epi16(128)), 3);
}

// The chroma terms of sixteen U and V values held as 16-bit words, in order.
WEBCAM_AVX2 inline Terms ChromaTermsOfWords(__m256i uWords, __m256i vWords) {
    __m256i u = Scaled(uWords), v = Scaled(vWords);
    return {_mm256_mulhi_epi16(u, _mm256_set1_epi16(16531)),
            _mm256_adds_epi16(_mm256_mulhi_epi16(u, _mm256_set1_epi16(-3203)),
                              _mm256_mulhi_epi16(v, _mm256_set1_epi16(-6660))),
            _mm256_mulhi_epi16(v, _mm256_set1_epi16(13074))};
}

// The chroma terms of sixteen U and V bytes, in order.
WEBCAM_AVX2 inline Terms ChromaTerms(__m128i u8, __m128i v8) {
    return ChromaTermsOfWords(_mm256_cvtepu8_epi16(u8), _mm256_cvtepu8_epi16(v8));
}

// Thirty-two pixels: luma bytes and the terms of pixels 0-15 (lo) and 16-31 (hi), in order.
// Thirty-two pixels from their luma terms and colour terms: pixels 0-15 (lo), 16-31 (hi).
WEBCAM_AVX2 inline void StoreTerms(__m256i yLo, __m256i yHi, const Terms& lo, const Terms& hi,
                                   uint8_t* out) {
    // Packing works per lane: bytes come out as pixels 0-7, 16-23 | 8-15, 24-31.
    __m256i b = _mm256_packus_epi16(_mm256_adds_epi16(yLo, lo.blue), _mm256_adds_epi16(yHi, hi.blue));
    __m256i g = _mm256_packus_epi16(_mm256_adds_epi16(yLo, lo.green), _mm256_adds_epi16(yHi, hi.green));
    __m256i r = _mm256_packus_epi16(_mm256_adds_epi16(yLo, lo.red), _mm256_adds_epi16(yHi, hi.red));
    const __m256i zero = _mm256_setzero_si256();
    __m256i bgLo = _mm256_unpacklo_epi8(b, g), bgHi = _mm256_unpackhi_epi8(b, g);
    __m256i r0Lo = _mm256_unpacklo_epi8(r, zero), r0Hi = _mm256_unpackhi_epi8(r, zero);
    __m256i p0 = _mm256_unpacklo_epi16(bgLo, r0Lo);  // pixels 0-3 | 8-11
    __m256i p1 = _mm256_unpackhi_epi16(bgLo, r0Lo);  // 4-7 | 12-15
    __m256i p2 = _mm256_unpacklo_epi16(bgHi, r0Hi);  // 16-19 | 24-27
    __m256i p3 = _mm256_unpackhi_epi16(bgHi, r0Hi);  // 20-23 | 28-31
    auto* o = reinterpret_cast<__m256i*>(out);
    _mm256_storeu_si256(o + 0, _mm256_permute2x128_si256(p0, p1, 0x20));
    _mm256_storeu_si256(o + 1, _mm256_permute2x128_si256(p0, p1, 0x31));
    _mm256_storeu_si256(o + 2, _mm256_permute2x128_si256(p2, p3, 0x20));
    _mm256_storeu_si256(o + 3, _mm256_permute2x128_si256(p2, p3, 0x31));
}

WEBCAM_AVX2 inline void Store32(__m256i y8, const Terms& lo, const Terms& hi, uint8_t* out) {
    const __m256i gain = _mm256_set1_epi16(9535);
    __m256i y = _mm256_subs_epu8(y8, _mm256_set1_epi8(16));
    __m256i yLo = _mm256_mulhi_epi16(
        _mm256_slli_epi16(_mm256_cvtepu8_epi16(_mm256_castsi256_si128(y)), 3), gain);
    __m256i yHi = _mm256_mulhi_epi16(
        _mm256_slli_epi16(_mm256_cvtepu8_epi16(_mm256_extracti128_si256(y, 1)), 3), gain);
    StoreTerms(yLo, yHi, lo, hi, out);
}

// Each 16-bit term twice, for the two pixels of a pair: pairs 0-7 (lo) or 8-15 (hi).
WEBCAM_AVX2 inline __m256i Twice(__m256i t, bool high) {
    __m256i ordered = _mm256_permute4x64_epi64(t, 0xD8);  // quadwords 0, 2 | 1, 3
    return high ? _mm256_unpackhi_epi16(ordered, ordered) : _mm256_unpacklo_epi16(ordered, ordered);
}

WEBCAM_AVX2 inline Terms Duplicated(const Terms& t, bool high) {
    return {Twice(t.blue, high), Twice(t.green, high), Twice(t.red, high)};
}

}  // namespace

WEBCAM_AVX2 void ConvertPixels444Avx2(const uint8_t* y, const uint8_t* u, const uint8_t* v,
                                      uint8_t* out, size_t count) {
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        auto* uu = reinterpret_cast<const __m128i*>(u + i);
        auto* vv = reinterpret_cast<const __m128i*>(v + i);
        Terms lo = ChromaTerms(_mm_loadu_si128(uu), _mm_loadu_si128(vv));
        Terms hi = ChromaTerms(_mm_loadu_si128(uu + 1), _mm_loadu_si128(vv + 1));
        Store32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + i)), lo, hi, out + 4 * i);
    }
    ConvertPixels444Sse2(y + i, u + i, v + i, out + 4 * i, count - i);
}

WEBCAM_AVX2 void ConvertRow422Avx2(const uint8_t* y, const uint8_t* u, const uint8_t* v,
                                   uint8_t* out, int width) {
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        Terms t = ChromaTerms(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u + x / 2)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + x / 2)));
        Store32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + x)), Duplicated(t, false),
                Duplicated(t, true), out + 4 * x);
    }
    ConvertRow422Sse2(y + x, u + x / 2, v + x / 2, out + 4 * x, width - x);
}

namespace {

// Sixteen pixels of 16-bit luma words and their terms, as Store32 writes them, for the pixels
// of lanes: pixels 0-15 in `lo`, 16-31 in `hi`.
WEBCAM_AVX2 inline void Store32Words(__m256i yLoWords, __m256i yHiWords, const Terms& lo,
                                     const Terms& hi, uint8_t* out) {
    const __m256i gain = _mm256_set1_epi16(9535);
    const __m256i offset = _mm256_set1_epi16(16);
    __m256i yLo = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_subs_epu16(yLoWords, offset), 3), gain);
    __m256i yHi = _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_subs_epu16(yHiWords, offset), 3), gain);
    StoreTerms(yLo, yHi, lo, hi, out);
}

template <bool kUyvy>
WEBCAM_AVX2 void PackedRows(const uint8_t* packed, uint8_t* out, int width) {
    // Bytes picked into 16-bit words, per lane: eight pixels' luma, U or V (-128: a zero byte).
    constexpr char Z = -128;
    const __m256i luma = kUyvy ? _mm256_setr_epi8(1, Z, 3, Z, 5, Z, 7, Z, 9, Z, 11, Z, 13, Z, 15, Z,
                                                  1, Z, 3, Z, 5, Z, 7, Z, 9, Z, 11, Z, 13, Z, 15, Z)
                               : _mm256_setr_epi8(0, Z, 2, Z, 4, Z, 6, Z, 8, Z, 10, Z, 12, Z, 14, Z,
                                                  0, Z, 2, Z, 4, Z, 6, Z, 8, Z, 10, Z, 12, Z, 14, Z);
    const __m256i u = kUyvy ? _mm256_setr_epi8(0, Z, 0, Z, 4, Z, 4, Z, 8, Z, 8, Z, 12, Z, 12, Z,
                                               0, Z, 0, Z, 4, Z, 4, Z, 8, Z, 8, Z, 12, Z, 12, Z)
                            : _mm256_setr_epi8(1, Z, 1, Z, 5, Z, 5, Z, 9, Z, 9, Z, 13, Z, 13, Z,
                                               1, Z, 1, Z, 5, Z, 5, Z, 9, Z, 9, Z, 13, Z, 13, Z);
    const __m256i v = kUyvy ? _mm256_setr_epi8(2, Z, 2, Z, 6, Z, 6, Z, 10, Z, 10, Z, 14, Z, 14, Z,
                                               2, Z, 2, Z, 6, Z, 6, Z, 10, Z, 10, Z, 14, Z, 14, Z)
                            : _mm256_setr_epi8(3, Z, 3, Z, 7, Z, 7, Z, 11, Z, 11, Z, 15, Z, 15, Z,
                                               3, Z, 3, Z, 7, Z, 7, Z, 11, Z, 11, Z, 15, Z, 15, Z);
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        // Each register holds sixteen pixels, eight per lane, so the words come out in order.
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(packed + 2 * x));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(packed + 2 * x + 32));
        Terms lo = ChromaTermsOfWords(_mm256_shuffle_epi8(a, u), _mm256_shuffle_epi8(a, v));
        Terms hi = ChromaTermsOfWords(_mm256_shuffle_epi8(b, u), _mm256_shuffle_epi8(b, v));
        Store32Words(_mm256_shuffle_epi8(a, luma), _mm256_shuffle_epi8(b, luma), lo, hi, out + 4 * x);
    }
    ConvertRowPackedSse2(packed + 2 * x, out + 4 * x, width - x, kUyvy);
}

}  // namespace

WEBCAM_AVX2 void ConvertRowPackedAvx2(const uint8_t* packed, uint8_t* out, int width, bool uyvy) {
    if (uyvy)
        PackedRows<true>(packed, out, width);
    else
        PackedRows<false>(packed, out, width);
}

bool CpuHasAvx2() {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_cpu_supports("avx2");
#else
    int info[4];
    __cpuidex(info, 7, 0);
    return (info[1] & (1 << 5)) != 0;
#endif
}

#endif
