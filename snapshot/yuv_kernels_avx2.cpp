// AVX2 kernels: thirty-two pixels per step. Lanes of 128 bits are put back in pixel order where
// the instructions work within lanes. Chosen at run time when the processor has AVX2.
#include "yuv_kernels.h"

#ifdef WEBCAM_HAS_X86_KERNELS
#include <immintrin.h>

#include "snapshot/simd_target.h"

namespace {

struct Terms {
    __m256i blue, green, red;  // sixteen 16-bit lanes each
};

WEBCAM_AVX2 inline __m256i Scaled(__m256i words) {
    return _mm256_slli_epi16(_mm256_sub_epi16(words, _mm256_set1_epi16(128)), 3);
}

// The chroma terms of sixteen U and V values held as 16-bit words, word for word.
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

// How thirty-two pixels are held in the two registers of a kind (`lo`, `hi`). In order: 0-15
// and 16-31, as loads of packed pixels give them. Interleaved: 0-7 | 16-23 and 8-15 | 24-31, as
// in-lane unpacking of thirty-two bytes in order gives them.
enum class Lanes { InOrder, Interleaved };

// Thirty-two pixels from their luma and colour terms, held as `kLanes` says.
template <Lanes kLanes>
WEBCAM_AVX2 inline void StoreTerms(__m256i yLo, __m256i yHi, const Terms& lo, const Terms& hi,
                                   uint8_t* out) {
    // Packing works per lane: pixels 0-7, 16-23 | 8-15, 24-31 in order, 0-31 interleaved.
    __m256i b = _mm256_packus_epi16(_mm256_adds_epi16(yLo, lo.blue), _mm256_adds_epi16(yHi, hi.blue));
    __m256i g = _mm256_packus_epi16(_mm256_adds_epi16(yLo, lo.green), _mm256_adds_epi16(yHi, hi.green));
    __m256i bgLo = _mm256_unpacklo_epi8(b, g), bgHi = _mm256_unpackhi_epi8(b, g);
    // Red stays in words, next to its blue and green, clamped without a shuffle.
    const __m256i zero = _mm256_setzero_si256(), full = _mm256_set1_epi16(255);
    __m256i r0Lo = _mm256_min_epi16(_mm256_max_epi16(_mm256_adds_epi16(yLo, lo.red), zero), full);
    __m256i r0Hi = _mm256_min_epi16(_mm256_max_epi16(_mm256_adds_epi16(yHi, hi.red), zero), full);
    // Four pixels in each half of p0-p3, in this order of their lanes:
    // in order     0-3 | 8-11, 4-7 | 12-15, 16-19 | 24-27, 20-23 | 28-31;
    // interleaved  0-3 | 16-19, 4-7 | 20-23, 8-11 | 24-27, 12-15 | 28-31.
    __m256i p0 = _mm256_unpacklo_epi16(bgLo, r0Lo), p1 = _mm256_unpackhi_epi16(bgLo, r0Lo);
    __m256i p2 = _mm256_unpacklo_epi16(bgHi, r0Hi), p3 = _mm256_unpackhi_epi16(bgHi, r0Hi);
    auto* o = reinterpret_cast<__m256i*>(out);
    constexpr int second = kLanes == Lanes::InOrder ? 1 : 2, third = 3 - second;
    _mm256_storeu_si256(o, _mm256_permute2x128_si256(p0, p1, 0x20));
    _mm256_storeu_si256(o + second, _mm256_permute2x128_si256(p0, p1, 0x31));
    _mm256_storeu_si256(o + third, _mm256_permute2x128_si256(p2, p3, 0x20));
    _mm256_storeu_si256(o + 3, _mm256_permute2x128_si256(p2, p3, 0x31));
}

// The luma term of 16-bit luma words.
WEBCAM_AVX2 inline __m256i LumaTerm(__m256i words) {
    // (y * 8 * 9535) >> 16 as (y * 2 * 38140) >> 16: unsigned, without a shift.
    return _mm256_mulhi_epu16(_mm256_add_epi16(words, words), _mm256_set1_epi16(int16_t(38140)));
}

// Thirty-two luma bytes in order and the colour terms of their pixels, arranged as StoreTerms
// takes them.
WEBCAM_AVX2 inline void Store32(__m256i y8, const Terms& lo, const Terms& hi, uint8_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i y = _mm256_subs_epu8(y8, _mm256_set1_epi8(16));
    StoreTerms<Lanes::Interleaved>(LumaTerm(_mm256_unpacklo_epi8(y, zero)),
                                   LumaTerm(_mm256_unpackhi_epi8(y, zero)), lo, hi, out);
}

// Each pair's terms, from sixteen pairs in order, twice, for the pixels of StoreTerms' `lo`
// (pairs 0-3 | 8-11) or `hi` (4-7 | 12-15) registers.
WEBCAM_AVX2 inline Terms Duplicated(const Terms& t, bool high) {
    if (high)
        return {_mm256_unpackhi_epi16(t.blue, t.blue), _mm256_unpackhi_epi16(t.green, t.green),
                _mm256_unpackhi_epi16(t.red, t.red)};
    return {_mm256_unpacklo_epi16(t.blue, t.blue), _mm256_unpacklo_epi16(t.green, t.green),
            _mm256_unpacklo_epi16(t.red, t.red)};
}

}  // namespace

WEBCAM_AVX2 void ConvertPixels444Avx2(const uint8_t* y, const uint8_t* u, const uint8_t* v,
                                      uint8_t* out, size_t count) {
    size_t i = 0;
    for (; i + 32 <= count; i += 32) {
        const __m256i zero = _mm256_setzero_si256();
        __m256i uu = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(u + i));
        __m256i vv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + i));
        Terms lo = ChromaTermsOfWords(_mm256_unpacklo_epi8(uu, zero), _mm256_unpacklo_epi8(vv, zero));
        Terms hi = ChromaTermsOfWords(_mm256_unpackhi_epi8(uu, zero), _mm256_unpackhi_epi8(vv, zero));
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

WEBCAM_AVX2 void ConvertRowPair420Avx2(const uint8_t* y0, const uint8_t* y1, const uint8_t* u,
                                       const uint8_t* v, uint8_t* out0, uint8_t* out1, int width) {
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        Terms t = ChromaTerms(_mm_loadu_si128(reinterpret_cast<const __m128i*>(u + x / 2)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + x / 2)));
        Terms lo = Duplicated(t, false), hi = Duplicated(t, true);
        Store32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y0 + x)), lo, hi, out0 + 4 * x);
        Store32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(y1 + x)), lo, hi, out1 + 4 * x);
    }
    ConvertRow422Sse2(y0 + x, u + x / 2, v + x / 2, out0 + 4 * x, width - x);
    ConvertRow422Sse2(y1 + x, u + x / 2, v + x / 2, out1 + 4 * x, width - x);
}

namespace {

template <bool kUyvy>
WEBCAM_AVX2 void PackedRows(const uint8_t* packed, uint8_t* out, int width) {
    // Per lane of four pairs: their U bytes into words 0-3 and V bytes into words 4-7
    // (-128: a zero byte).
    constexpr char Z = -128;
    const __m256i chroma = kUyvy ? _mm256_setr_epi8(0, Z, 4, Z, 8, Z, 12, Z, 2, Z, 6, Z, 10, Z, 14, Z,
                                                    0, Z, 4, Z, 8, Z, 12, Z, 2, Z, 6, Z, 10, Z, 14, Z)
                                 : _mm256_setr_epi8(1, Z, 5, Z, 9, Z, 13, Z, 3, Z, 7, Z, 11, Z, 15, Z,
                                                    1, Z, 5, Z, 9, Z, 13, Z, 3, Z, 7, Z, 11, Z, 15, Z);
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF), offset = _mm256_set1_epi16(16);
    int x = 0;
    for (; x + 32 <= width; x += 32) {
        // Sixteen pixels in each register, eight per lane, so the luma words come out in order.
        __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(packed + 2 * x));
        __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(packed + 2 * x + 32));
        __m256i lumaA = kUyvy ? _mm256_srli_epi16(a, 8) : _mm256_and_si256(a, lowBytes);
        __m256i lumaB = kUyvy ? _mm256_srli_epi16(b, 8) : _mm256_and_si256(b, lowBytes);
        // Each pair's terms once: pairs 0-3, 8-11 | 4-7, 12-15, which the duplication puts
        // back in the pixels' order.
        __m256i ca = _mm256_shuffle_epi8(a, chroma), cb = _mm256_shuffle_epi8(b, chroma);
        Terms t = ChromaTermsOfWords(_mm256_unpacklo_epi64(ca, cb), _mm256_unpackhi_epi64(ca, cb));
        StoreTerms<Lanes::InOrder>(LumaTerm(_mm256_subs_epu16(lumaA, offset)),
                                   LumaTerm(_mm256_subs_epu16(lumaB, offset)), Duplicated(t, false),
                                   Duplicated(t, true), out + 4 * x);
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
