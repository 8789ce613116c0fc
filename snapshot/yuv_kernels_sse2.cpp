// SSE2 kernels: sixteen pixels per step in 16-bit lanes, with the same saturating arithmetic
// as the scalar reference; the last few pixels of a run go through the scalar code.
#include "yuv_kernels.h"

#ifdef WEBCAM_HAS_X86_KERNELS
#include <emmintrin.h>

namespace {

struct Terms {
    __m128i blue, green, red;  // eight 16-bit lanes each
};

inline __m128i Scaled(__m128i bytes8, __m128i offset) {
    return _mm_slli_epi16(_mm_sub_epi16(_mm_unpacklo_epi8(bytes8, _mm_setzero_si128()), offset), 3);
}

// The chroma terms of eight U and V bytes (the low halves of the registers).
inline Terms ChromaTerms(__m128i u8, __m128i v8) {
    const __m128i offset = _mm_set1_epi16(128);
    __m128i u = Scaled(u8, offset), v = Scaled(v8, offset);
    return {_mm_mulhi_epi16(u, _mm_set1_epi16(16531)),
            _mm_adds_epi16(_mm_mulhi_epi16(u, _mm_set1_epi16(-3203)),
                           _mm_mulhi_epi16(v, _mm_set1_epi16(-6660))),
            _mm_mulhi_epi16(v, _mm_set1_epi16(13074))};
}

// Sixteen pixels from sixteen luma bytes and their terms, low and high eight pixels.
inline void Store16(__m128i y8, const Terms& lo, const Terms& hi, uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i gain = _mm_set1_epi16(9535);
    __m128i y = _mm_subs_epu8(y8, _mm_set1_epi8(16));
    __m128i yLo = _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpacklo_epi8(y, zero), 3), gain);
    __m128i yHi = _mm_mulhi_epi16(_mm_slli_epi16(_mm_unpackhi_epi8(y, zero), 3), gain);
    __m128i b = _mm_packus_epi16(_mm_adds_epi16(yLo, lo.blue), _mm_adds_epi16(yHi, hi.blue));
    __m128i g = _mm_packus_epi16(_mm_adds_epi16(yLo, lo.green), _mm_adds_epi16(yHi, hi.green));
    __m128i r = _mm_packus_epi16(_mm_adds_epi16(yLo, lo.red), _mm_adds_epi16(yHi, hi.red));
    __m128i bgLo = _mm_unpacklo_epi8(b, g), bgHi = _mm_unpackhi_epi8(b, g);
    __m128i r0Lo = _mm_unpacklo_epi8(r, zero), r0Hi = _mm_unpackhi_epi8(r, zero);
    auto* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o + 0, _mm_unpacklo_epi16(bgLo, r0Lo));
    _mm_storeu_si128(o + 1, _mm_unpackhi_epi16(bgLo, r0Lo));
    _mm_storeu_si128(o + 2, _mm_unpacklo_epi16(bgHi, r0Hi));
    _mm_storeu_si128(o + 3, _mm_unpackhi_epi16(bgHi, r0Hi));
}

inline Terms Duplicated(const Terms& t, bool high) {
    return high ? Terms{_mm_unpackhi_epi16(t.blue, t.blue), _mm_unpackhi_epi16(t.green, t.green),
                        _mm_unpackhi_epi16(t.red, t.red)}
                : Terms{_mm_unpacklo_epi16(t.blue, t.blue), _mm_unpacklo_epi16(t.green, t.green),
                        _mm_unpacklo_epi16(t.red, t.red)};
}

}  // namespace

void ConvertPixels444Sse2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                          size_t count) {
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m128i u16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(u + i));
        __m128i v16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(v + i));
        Terms lo = ChromaTerms(u16, v16);
        Terms hi = ChromaTerms(_mm_srli_si128(u16, 8), _mm_srli_si128(v16, 8));
        Store16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i)), lo, hi, out + 4 * i);
    }
    ConvertPixels444Scalar(y + i, u + i, v + i, out + 4 * i, count - i);
}

void ConvertRow422Sse2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                       int width) {
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        Terms t = ChromaTerms(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + x / 2)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(v + x / 2)));
        Store16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(y + x)), Duplicated(t, false),
                Duplicated(t, true), out + 4 * x);
    }
    ConvertRow422Scalar(y + x, u + x / 2, v + x / 2, out + 4 * x, width - x);
}

void ConvertRowPackedSse2(const uint8_t* packed, uint8_t* out, int width, bool uyvy) {
    const __m128i low = _mm_set1_epi16(0x00FF);
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(packed + 2 * x));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(packed + 2 * x + 16));
        // Luma in the even bytes (YUY2) or the odd ones (UYVY); chroma in the others, U first.
        __m128i lumaA = uyvy ? _mm_srli_epi16(a, 8) : _mm_and_si128(a, low);
        __m128i lumaB = uyvy ? _mm_srli_epi16(b, 8) : _mm_and_si128(b, low);
        __m128i chromaA = uyvy ? _mm_and_si128(a, low) : _mm_srli_epi16(a, 8);
        __m128i chromaB = uyvy ? _mm_and_si128(b, low) : _mm_srli_epi16(b, 8);
        __m128i y = _mm_packus_epi16(lumaA, lumaB);
        __m128i uv = _mm_packus_epi16(chromaA, chromaB);  // U0 V0 U1 V1 ... U7 V7
        __m128i u = _mm_packus_epi16(_mm_and_si128(uv, low), _mm_setzero_si128());
        __m128i v = _mm_packus_epi16(_mm_srli_epi16(uv, 8), _mm_setzero_si128());
        Terms t = ChromaTerms(u, v);
        Store16(y, Duplicated(t, false), Duplicated(t, true), out + 4 * x);
    }
    ConvertRowPackedScalar(packed + 2 * x, out + 4 * x, width - x, uyvy);
}

#endif
