// The baseline JPEG decoder.
#include "baseline_jpeg.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define WEBCAM_JPEG_SSE2 1
#endif

namespace {

// The natural (row-major) position of the k-th coefficient in zigzag order.
constexpr uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// A Huffman table: codes of up to nine bits looked up at once, longer ones by length.
struct Huffman {
    bool defined = false;
    uint8_t fastLength[512] = {};  // 0: longer than nine bits
    uint8_t fastValue[512] = {};
    int32_t maxCode[18] = {};      // by length; -1 where there are no codes of that length
    int32_t firstCode[17] = {};
    int32_t firstIndex[17] = {};
    uint8_t values[256] = {};
};

bool BuildHuffman(const uint8_t counts[16], const uint8_t* values, int total, Huffman* h) {
    std::memcpy(h->values, values, static_cast<size_t>(total));
    std::memset(h->fastLength, 0, sizeof(h->fastLength));
    int32_t code = 0, index = 0;
    for (int length = 1; length <= 16; ++length) {
        h->firstIndex[length] = index;
        h->firstCode[length] = code;
        for (int i = 0; i < counts[length - 1]; ++i, ++code, ++index) {
            if (code >= (1 << length)) return false;  // more codes than the length has room for
            if (length <= 9)
                for (int fill = 0; fill < (1 << (9 - length)); ++fill) {
                    h->fastLength[(code << (9 - length)) | fill] = static_cast<uint8_t>(length);
                    h->fastValue[(code << (9 - length)) | fill] = values[index];
                }
        }
        h->maxCode[length] = counts[length - 1] ? code - 1 : -1;
        code <<= 1;
    }
    h->maxCode[17] = INT32_MAX;
    h->defined = true;
    return true;
}

// The entropy-coded bytes as bits: stuffed zero bytes taken out, and zero bits fed once a
// marker or the end is reached; `overran` tells that some of those were taken as data.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size, size_t position) : m_data(data), m_size(size), m_pos(position) {}

    uint32_t Peek(int n) {
        if (m_count < n) Fill();
        return static_cast<uint32_t>(m_bits >> (64 - n));
    }
    void Skip(int n) {
        m_bits <<= n;
        m_count -= n;
    }
    // `s` bits as a signed value, as the coefficients are coded.
    int Receive(int s) {
        if (s == 0) return 0;
        int value = static_cast<int>(Peek(s));
        Skip(s);
        return value < (1 << (s - 1)) ? value - (1 << s) + 1 : value;
    }
    int Decode(const Huffman& h) {
        uint32_t look = Peek(16);
        int length = h.fastLength[look >> 7];
        if (length) {
            Skip(length);
            return h.fastValue[look >> 7];
        }
        for (length = 10; length <= 16; ++length) {
            int32_t code = static_cast<int32_t>(look >> (16 - length));
            if (code <= h.maxCode[length]) {
                Skip(length);
                return h.values[h.firstIndex[length] + code - h.firstCode[length]];
            }
        }
        m_broken = true;  // no code of any length
        Skip(16);
        return 0;
    }
    // At a restart marker: the bits left go, the marker is passed. False when it is not there.
    bool Restart() {
        m_bits = 0;
        m_count = 0;
        m_fakeBits = 0;
        m_stopped = false;
        while (m_pos + 1 < m_size && m_data[m_pos] == 0xFF && m_data[m_pos + 1] == 0xFF) ++m_pos;
        if (m_pos + 1 >= m_size || m_data[m_pos] != 0xFF || m_data[m_pos + 1] < 0xD0 || m_data[m_pos + 1] > 0xD7)
            return false;
        m_pos += 2;
        return true;
    }
    bool overran() const { return m_fakeBits > m_count; }
    bool broken() const { return m_broken; }

private:
    void Fill() {
        while (m_count <= 56) {
            uint64_t byte = 0;
            if (!m_stopped && m_pos < m_size) {
                byte = m_data[m_pos];
                if (byte == 0xFF) {
                    uint8_t next = m_pos + 1 < m_size ? m_data[m_pos + 1] : 0xD9;
                    if (next == 0x00) {
                        m_pos += 2;
                    } else {
                        byte = 0;  // a marker: this stretch of data ends here
                        m_stopped = true;
                    }
                } else {
                    ++m_pos;
                }
            } else {
                m_stopped = true;
            }
            if (m_stopped) m_fakeBits += 8;
            m_bits |= byte << (56 - m_count);
            m_count += 8;
        }
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos;
    uint64_t m_bits = 0;
    int m_count = 0;
    bool m_stopped = false;
    int m_fakeBits = 0;  // zero bits fed past the data's end
    bool m_broken = false;
};

struct Component {
    int id = 0, h = 1, v = 1, table = 0, dcTable = 0, acTable = 0;
    int predictor = 0;
    alignas(16) float multipliers[64];  // dequantisation, IDCT scaling and range in one
    float offset = 0;                   // the level shift, in the output's range
    uint8_t lowest = 0, highest = 255;  // the full range's ends in the output's range
};

struct Frame {
    int width = 0, height = 0, components = 0, restartInterval = 0;
    Component component[3];
    uint16_t quant[4][64] = {};
    bool quantDefined[4] = {};
    Huffman dc[4], ac[4];
    size_t scanStart = 0;
    int scanOrder[3] = {0, 1, 2};  // frame components in the scan's order
};

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// The markers up to the first scan. Unsupported for coding this decoder leaves to others.
JpegResult ReadHeaders(const uint8_t* jpeg, size_t size, Frame* f) {
    if (!jpeg || size < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return JpegResult::Damaged;
    bool sawFrame = false;
    size_t at = 2;
    while (at + 4 <= size) {
        if (jpeg[at] != 0xFF) return JpegResult::Damaged;
        uint8_t marker = jpeg[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        size_t length = Word(jpeg + at + 2);
        if (length < 2 || at + 2 + length > size) return JpegResult::Damaged;
        const uint8_t* p = jpeg + at + 4;
        const uint8_t* end = jpeg + at + 2 + length;
        switch (marker) {
            case 0xDB:  // quantisation tables
                while (p < end) {
                    int precision = p[0] >> 4, id = p[0] & 15;
                    size_t bytes = precision ? 128 : 64;
                    if (id > 3 || precision > 1 || static_cast<size_t>(end - p) < 1 + bytes) return JpegResult::Damaged;
                    for (int k = 0; k < 64; ++k)
                        f->quant[id][kZigzag[k]] = precision ? Word(p + 1 + 2 * k) : p[1 + k];
                    f->quantDefined[id] = true;
                    p += 1 + bytes;
                }
                break;
            case 0xC4:  // Huffman tables
                while (p < end) {
                    if (end - p < 17) return JpegResult::Damaged;
                    int tableClass = p[0] >> 4, id = p[0] & 15, total = 0;
                    for (int i = 0; i < 16; ++i) total += p[1 + i];
                    if (tableClass > 1 || id > 3 || total > 256 || end - p < 17 + total) return JpegResult::Damaged;
                    if (!BuildHuffman(p + 1, p + 17, total, tableClass ? &f->ac[id] : &f->dc[id])) return JpegResult::Damaged;
                    p += 17 + total;
                }
                break;
            case 0xDD:  // restart interval
                if (length < 4) return JpegResult::Damaged;
                f->restartInterval = Word(p);
                break;
            case 0xC0:
            case 0xC1: {  // baseline and extended sequential, Huffman
                if (length < 8 || p[0] != 8) return JpegResult::Unsupported;
                f->height = Word(p + 1);
                f->width = Word(p + 3);
                f->components = p[5];
                if (f->height == 0 || f->width == 0) return JpegResult::Unsupported;  // a DNL marker
                if ((f->components != 1 && f->components != 3) || length < 8 + 3u * f->components)
                    return JpegResult::Unsupported;
                for (int c = 0; c < f->components; ++c) {
                    Component& comp = f->component[c];
                    comp.id = p[6 + 3 * c];
                    comp.h = p[7 + 3 * c] >> 4;
                    comp.v = p[7 + 3 * c] & 15;
                    comp.table = p[8 + 3 * c];
                    if (comp.table > 3) return JpegResult::Damaged;
                }
                if (f->components == 1) {
                    f->component[0].h = f->component[0].v = 1;  // one block a unit, whatever it says
                } else {
                    // Luma at the full rate; both chroma components alike, at the full or half rate.
                    const Component* c = f->component;
                    auto ratio = [](int full, int part) { return part >= 1 && (full == part || full == 2 * part); };
                    bool sampling = c[0].h <= 2 && c[0].v <= 2 && c[1].h == c[2].h && c[1].v == c[2].v &&
                                    ratio(c[0].h, c[1].h) && ratio(c[0].v, c[1].v);
                    if (!sampling) return JpegResult::Unsupported;
                }
                sawFrame = true;
                break;
            }
            case 0xDA: {  // start of scan: one scan of every component
                if (!sawFrame || length < 3 || p[0] != f->components || length < 6u + 2 * p[0])
                    return sawFrame ? JpegResult::Unsupported : JpegResult::Damaged;
                unsigned named = 0;  // the frame's components the scan named so far
                for (int s = 0; s < f->components; ++s) {
                    int id = p[1 + 2 * s], c = 0;
                    while (c < f->components && f->component[c].id != id) ++c;
                    // Each of the frame's components once: a scan naming one twice leaves another
                    // undecoded.
                    if (c == f->components || (named & (1u << c))) return JpegResult::Damaged;
                    named |= 1u << c;
                    f->scanOrder[s] = c;
                    f->component[c].dcTable = p[2 + 2 * s] >> 4;
                    f->component[c].acTable = p[2 + 2 * s] & 15;
                    if (f->component[c].dcTable > 3 || f->component[c].acTable > 3) return JpegResult::Damaged;
                }
                const uint8_t* spectral = p + 1 + 2 * f->components;
                if (spectral[0] != 0 || spectral[1] != 63 || spectral[2] != 0) return JpegResult::Unsupported;
                f->scanStart = at + 2 + length;
                return JpegResult::Ok;
            }
            case 0xD8:
            case 0xD9:
                return JpegResult::Damaged;
            default:
                if ((marker >= 0xC2 && marker <= 0xCF) && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
                    return JpegResult::Unsupported;  // progressive, lossless, hierarchical, arithmetic
                break;  // application data and comments are passed over
        }
        at += 2 + length;
    }
    return JpegResult::Damaged;
}

// The scale factors of the AAN inverse DCT: cos(k pi / 16) * sqrt(2), 1 for k = 0.
const float kAan[8] = {1.0f, 1.387039845f, 1.306562965f, 1.175875602f,
                       1.0f, 0.785694958f, 0.541196100f, 0.275899379f};

// Each coefficient's multiplier: its quantiser, the IDCT's scaling and, to come out in the
// studio range, 219/255 for luma and 224/255 for chroma.
bool PrepareComponents(Frame* f) {
    for (int c = 0; c < f->components; ++c) {
        Component& comp = f->component[c];
        if (!f->quantDefined[comp.table] || !f->dc[comp.dcTable].defined || !f->ac[comp.acTable].defined)
            return false;
        bool luma = c == 0;
        float range = luma ? 219.0f / 255.0f : 224.0f / 255.0f;
        for (int i = 0; i < 64; ++i)
            comp.multipliers[i] = f->quant[comp.table][i] * kAan[i / 8] * kAan[i % 8] / 8.0f * range;
        comp.offset = luma ? 16.0f + 128.0f * range : 128.0f;
        comp.lowest = 16;
        comp.highest = luma ? 235 : 240;
        comp.predictor = 0;
    }
    return true;
}

// One dimension of the AAN inverse DCT on eight values `step` apart.
template <class T>
inline void Idct8(T& i0, T& i1, T& i2, T& i3, T& i4, T& i5, T& i6, T& i7, T sqrt2, T c2x2, T c2minusc6,
                  T c2plusc6) {
    T tmp10 = i0 + i4, tmp11 = i0 - i4;
    T tmp13 = i2 + i6, tmp12 = (i2 - i6) * sqrt2 - tmp13;
    T e0 = tmp10 + tmp13, e3 = tmp10 - tmp13, e1 = tmp11 + tmp12, e2 = tmp11 - tmp12;
    T z13 = i5 + i3, z10 = i5 - i3, z11 = i1 + i7, z12 = i1 - i7;
    T o7 = z11 + z13;
    T o11 = (z11 - z13) * sqrt2;
    T z5 = (z10 + z12) * c2x2;
    T o10 = c2minusc6 * z12 - z5;
    T o12 = c2plusc6 * z10 + z5;
    T o6 = o12 - o7, o5 = o11 - o6, o4 = o10 + o5;
    i0 = e0 + o7, i7 = e0 - o7, i1 = e1 + o6, i6 = e1 - o6;
    i2 = e2 + o5, i5 = e2 - o5, i4 = e3 + o4, i3 = e3 - o4;
}

constexpr float kSqrt2 = 1.414213562f, kC2x2 = 1.847759065f, kC2MinusC6 = 1.082392200f,
                kC2PlusC6 = -2.613125930f;

#ifdef WEBCAM_JPEG_SSE2
struct F4 {
    __m128 v;
    F4 operator+(F4 o) const { return {_mm_add_ps(v, o.v)}; }
    F4 operator-(F4 o) const { return {_mm_sub_ps(v, o.v)}; }
    F4 operator*(F4 o) const { return {_mm_mul_ps(v, o.v)}; }
};

// The block's samples, rounded and clamped, into eight rows of `out`.
void InverseDct(const float* block, const Component& comp, uint8_t* out, size_t stride) {
    F4 r[2][8];  // columns 0-3 and 4-7 of the eight rows
    for (int half = 0; half < 2; ++half)
        for (int row = 0; row < 8; ++row) r[half][row].v = _mm_loadu_ps(block + row * 8 + half * 4);
    const F4 s{_mm_set1_ps(kSqrt2)}, a{_mm_set1_ps(kC2x2)}, b{_mm_set1_ps(kC2MinusC6)}, c{_mm_set1_ps(kC2PlusC6)};
    for (int half = 0; half < 2; ++half) {  // down the columns
        F4* x = r[half];
        Idct8(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], s, a, b, c);
    }
    // Transposed, the rows become columns: t[q][k] holds row 4q..4q+3's element k.
    F4 t[2][8];
    for (int half = 0; half < 2; ++half)
        for (int q = 0; q < 2; ++q) {
            __m128 m0 = r[half][4 * q].v, m1 = r[half][4 * q + 1].v, m2 = r[half][4 * q + 2].v, m3 = r[half][4 * q + 3].v;
            _MM_TRANSPOSE4_PS(m0, m1, m2, m3);
            t[q][4 * half] = {m0}, t[q][4 * half + 1] = {m1}, t[q][4 * half + 2] = {m2}, t[q][4 * half + 3] = {m3};
        }
    for (int q = 0; q < 2; ++q) {  // along the rows
        F4* x = t[q];
        Idct8(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], s, a, b, c);
    }
    // t[q][k] now holds output column k of rows 4q..4q+3: back to rows, then to bytes.
    const __m128 shift = _mm_set1_ps(comp.offset);
    const __m128i lowest = _mm_set1_epi8(static_cast<char>(comp.lowest)), highest = _mm_set1_epi8(static_cast<char>(comp.highest));
    for (int q = 0; q < 2; ++q)
        for (int half = 0; half < 2; ++half) {
            __m128 m0 = t[q][4 * half].v, m1 = t[q][4 * half + 1].v, m2 = t[q][4 * half + 2].v, m3 = t[q][4 * half + 3].v;
            _MM_TRANSPOSE4_PS(m0, m1, m2, m3);
            __m128 rows[4] = {m0, m1, m2, m3};
            for (int i = 0; i < 4; ++i) r[half][4 * q + i].v = rows[i];
        }
    for (int row = 0; row < 8; ++row) {
        __m128i left = _mm_cvtps_epi32(_mm_add_ps(r[0][row].v, shift));
        __m128i right = _mm_cvtps_epi32(_mm_add_ps(r[1][row].v, shift));
        __m128i words = _mm_packs_epi32(left, right);
        __m128i bytes = _mm_min_epu8(_mm_max_epu8(_mm_packus_epi16(words, words), lowest), highest);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + row * stride), bytes);
    }
}
#else
void InverseDct(const float* block, const Component& comp, uint8_t* out, size_t stride) {
    float w[64];
    std::memcpy(w, block, sizeof(w));
    for (int col = 0; col < 8; ++col) {
        float* x = w + col;
        Idct8(x[0], x[8], x[16], x[24], x[32], x[40], x[48], x[56], kSqrt2, kC2x2, kC2MinusC6, kC2PlusC6);
    }
    for (int row = 0; row < 8; ++row) {
        float* x = w + row * 8;
        Idct8(x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], kSqrt2, kC2x2, kC2MinusC6, kC2PlusC6);
        for (int i = 0; i < 8; ++i)
            out[row * stride + i] = static_cast<uint8_t>(
                std::clamp(std::lrintf(x[i] + comp.offset), static_cast<long>(comp.lowest), static_cast<long>(comp.highest)));
    }
}
#endif

// One block's coefficients, decoded and dequantised; false for a damaged stream.
bool DecodeBlock(BitReader& bits, const Huffman& dc, const Huffman& ac, Component& comp, float* block,
                 bool* dcOnly) {
    int size = bits.Decode(dc);
    if (size > 11) return false;
    comp.predictor += bits.Receive(size);
    block[0] = comp.predictor * comp.multipliers[0];
    *dcOnly = true;
    for (int k = 1; k < 64;) {
        int rs = bits.Decode(ac), run = rs >> 4, s = rs & 15;
        if (s == 0) {
            if (run != 15) break;  // end of block
            k += 16;
            continue;
        }
        k += run;
        if (k > 63 || s > 10) return false;
        int natural = kZigzag[k];
        block[natural] = bits.Receive(s) * comp.multipliers[natural];
        *dcOnly = false;
        ++k;
    }
    return !bits.broken();
}

void FillBlock(float value, const Component& comp, uint8_t* out, size_t stride) {
    uint8_t sample = static_cast<uint8_t>(
        std::clamp(std::lrintf(value + comp.offset), static_cast<long>(comp.lowest), static_cast<long>(comp.highest)));
    for (int row = 0; row < 8; ++row) std::memset(out + row * stride, sample, 8);
}

// One row of MCUs of the planes into YUY2 rows.
void PackRows(const Frame& f, const uint8_t* y, size_t yStride, const uint8_t* cb, const uint8_t* cr,
              size_t cStride, int rows, int firstRow, uint8_t* out, size_t stride) {
    const int h = f.component[0].h / f.component[1].h, v = f.component[0].v / f.component[1].v;
    for (int row = 0; row < rows; ++row) {
        const uint8_t* luma = y + row * yStride;
        const uint8_t* u = cb ? cb + (row / v) * cStride : nullptr;
        const uint8_t* w = cr ? cr + (row / v) * cStride : nullptr;
        uint8_t* line = out + static_cast<size_t>(firstRow + row) * stride;
        int x = 0;
#ifdef WEBCAM_JPEG_SSE2
        if (u && h == 2)
            for (; x + 16 <= f.width; x += 16) {
                __m128i yy = _mm_loadu_si128(reinterpret_cast<const __m128i*>(luma + x));
                __m128i uv = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(u + x / 2)),
                                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(w + x / 2)));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(line + 2 * x), _mm_unpacklo_epi8(yy, uv));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(line + 2 * x + 16), _mm_unpackhi_epi8(yy, uv));
            }
#endif
        for (; x < f.width; x += 2) {
            line[2 * x] = luma[x];
            line[2 * x + 2] = luma[x + 1];
            line[2 * x + 1] = u ? u[x / h] : 128;
            line[2 * x + 3] = w ? w[x / h] : 128;
        }
    }
}

}  // namespace

JpegResult ReadJpegSize(const uint8_t* jpeg, size_t size, int* width, int* height) {
    Frame f;
    JpegResult result = ReadHeaders(jpeg, size, &f);
    if (result != JpegResult::Ok) return result;
    *width = f.width;
    *height = f.height;
    return JpegResult::Ok;
}

JpegResult DecodeJpegToYuy2(const uint8_t* jpeg, size_t size, int width, int height, uint8_t* out,
                            size_t stride, JpegScratch* scratch) {
    Frame f;
    JpegResult result = ReadHeaders(jpeg, size, &f);
    if (result != JpegResult::Ok) return result;
    if (f.width != width || f.height != height || width % 2 || stride / 2 < static_cast<size_t>(width))
        return JpegResult::Unsupported;
    if (!PrepareComponents(&f)) return JpegResult::Damaged;

    if (f.components == 1) f.component[1] = f.component[0];  // the chroma's sampling for PackRows
    const Component& luma0 = f.component[0];
    const int mcuWidth = 8 * luma0.h, mcuHeight = 8 * luma0.v;
    const int chromaWidth = 8 * f.component[1].h, chromaHeight = 8 * f.component[1].v;
    const int mcusAcross = (width + mcuWidth - 1) / mcuWidth, mcuRows = (height + mcuHeight - 1) / mcuHeight;
    const size_t yStride = static_cast<size_t>(mcusAcross) * mcuWidth;
    const size_t cStride = static_cast<size_t>(mcusAcross) * chromaWidth;
    scratch->planes.resize(yStride * mcuHeight + 2 * cStride * chromaHeight);
    scratch->coefficients.resize(64);
    uint8_t* yPlane = scratch->planes.data();
    uint8_t* cbPlane = f.components == 3 ? yPlane + yStride * mcuHeight : nullptr;
    uint8_t* crPlane = cbPlane ? cbPlane + cStride * chromaHeight : nullptr;
    float* block = scratch->coefficients.data();

    BitReader bits(jpeg, size, f.scanStart);
    int mcusToRestart = f.restartInterval;
    int rowsDone = 0;
    // A damaged or cut frame's rows after the last whole row of blocks are grey.
    auto damaged = [&] {
        for (int row = rowsDone; row < height; ++row) std::memset(out + static_cast<size_t>(row) * stride, 0x80, size_t(width) * 2);
        return JpegResult::Damaged;
    };
    for (int mcuRow = 0; mcuRow < mcuRows; ++mcuRow) {
        for (int mcu = 0; mcu < mcusAcross; ++mcu) {
            if (f.restartInterval && mcusToRestart-- == 0) {
                if (bits.overran() || !bits.Restart()) return damaged();
                for (int c = 0; c < f.components; ++c) f.component[c].predictor = 0;
                mcusToRestart = f.restartInterval - 1;
            }
            for (int s = 0; s < f.components; ++s) {
                Component& comp = f.component[f.scanOrder[s]];
                bool luma = f.scanOrder[s] == 0;
                for (int by = 0; by < comp.v; ++by)
                    for (int bx = 0; bx < comp.h; ++bx) {
                        std::fill(block, block + 64, 0.0f);
                        bool dcOnly = false;
                        if (!DecodeBlock(bits, f.dc[comp.dcTable], f.ac[comp.acTable], comp, block, &dcOnly))
                            return damaged();
                        uint8_t* plane = luma ? yPlane : f.scanOrder[s] == 1 ? cbPlane : crPlane;
                        size_t planeStride = luma ? yStride : cStride;
                        uint8_t* target = plane + static_cast<size_t>(by * 8) * planeStride +
                                          static_cast<size_t>(mcu) * (luma ? mcuWidth : chromaWidth) + bx * 8;
                        if (dcOnly)
                            FillBlock(block[0], comp, target, planeStride);
                        else
                            InverseDct(block, comp, target, planeStride);
                    }
            }
        }
        if (bits.overran()) return damaged();  // cut short
        int firstRow = mcuRow * mcuHeight;
        PackRows(f, yPlane, yStride, cbPlane, crPlane, cStride, std::min(mcuHeight, height - firstRow), firstRow,
                 out, stride);
        rowsDone = std::min(height, firstRow + mcuHeight);
    }
    return JpegResult::Ok;
}
