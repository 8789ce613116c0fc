// The baseline JPEG encoder: the headers, a row of MCUs at a time taken from the frame's layout
// with its edges filled, the kernels' DCT and quantisation, and the Huffman coding.
#include "jpeg_encoder.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "jpeg_encoder_kernels.h"
#include "jpeg_huffman.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define WEBCAM_JPEG_SSE2 1
#endif

namespace {

constexpr int kMaxSide = 65535;  // the frame header's 16 bits
// A block's worst case: 22 bits of DC and 63 coefficients of 26 bits, every byte stuffed.
constexpr size_t kBlockBytes = 420;
// The last bits, stuffed, and the end-of-image marker.
constexpr size_t kTrailerBytes = 32;
// A flush of the bit buffer may write sixteen bytes at most.
constexpr size_t kFlushBytes = 16;

// The natural (row-major) position of the k-th coefficient in zigzag order.
constexpr uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The quantisation tables of Annex K.1 in natural order, which libjpeg's quality scales.
constexpr uint8_t kLumaQuant[64] = {16,  11,  10,  16,  24, 40, 51,  61,  12,  12,  14,  19,  26,
                                    58,  60,  55,  14,  13, 16, 24,  40,  57,  69,  56,  14,  17,
                                    22,  29,  51,  87,  80, 62, 18,  22,  37,  56,  68,  109, 103,
                                    77,  24,  35,  55,  64, 81, 104, 113, 92,  49,  64,  78,  87,
                                    103, 121, 120, 101, 72, 92, 95,  98,  112, 100, 103, 99};
constexpr uint8_t kChromaQuant[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// The AAN DCT's output scale per frequency: cos(k pi / 16) * sqrt(2), 1 for k = 0.
constexpr double kAanScale[8] = {1.0, 1.387039845, 1.306562965, 1.175875602,
                                 1.0, 0.785694958, 0.541196100, 0.275899379};

inline uint64_t BigEndian(uint64_t v) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_bswap64(v);
#else
    return _byteswap_uint64(v);
#endif
}

// Each symbol's code and its length, from a table's counts and values (Annex C). For a symbol
// whose low four bits are the size of the value bits that follow it (all of them but the AC's
// run of sixteen zeros and end of block), `shifted` and `total` already make room for those.
struct HuffmanCodes {
    uint32_t shifted[256] = {};
    uint8_t total[256] = {};
    uint16_t code[256] = {};
    uint8_t length[256] = {};
};

HuffmanCodes BuildCodes(const StandardHuffmanTable& table) {
    HuffmanCodes codes;
    int code = 0, index = 0;
    for (int length = 1; length <= 16; ++length, code <<= 1)
        for (int i = 0; i < table.counts[length - 1]; ++i, ++code, ++index) {
            int symbol = table.values[index], size = symbol & 15;
            codes.code[symbol] = static_cast<uint16_t>(code);
            codes.length[symbol] = static_cast<uint8_t>(length);
            codes.shifted[symbol] = static_cast<uint32_t>(code) << size;
            codes.total[symbol] = static_cast<uint8_t>(length + size);
        }
    return codes;
}

struct StandardCodes {
    HuffmanCodes dc[2], ac[2];  // luminance, chrominance
};

const StandardCodes& Codes() {
    static const StandardCodes codes = [] {
        const StandardHuffmanTable* tables = StandardHuffmanTables();
        StandardCodes c;
        c.dc[0] = BuildCodes(tables[0]);
        c.dc[1] = BuildCodes(tables[1]);
        c.ac[0] = BuildCodes(tables[2]);
        c.ac[1] = BuildCodes(tables[3]);
        return c;
    }();
    return codes;
}

// Entropy-coded bits into bytes, 0xFF followed by a stuffed 0: 64 bits are gathered and written
// as eight bytes at once unless one of them is 0xFF. The caller makes sure of the room.
class BitWriter {
public:
    explicit BitWriter(uint8_t* out) : m_out(out) {}
    uint8_t* position() const { return m_out; }
    // Where the next bytes go; the bits not yet written stay.
    void MoveTo(uint8_t* out) { m_out = out; }

    // `count` (1 to 32) low bits of `bits`, the rest of which are 0.
    void Put(uint32_t bits, int count) {
        m_free -= count;
        if (m_free >= 0) {
            m_bits = m_bits << count | bits;
            return;
        }
        // The buffer's bits and the first of these make 64; the others start the next word.
        // Bits above the ones kept are shifted out before the word is written.
        Write(m_bits << (count + m_free) | static_cast<uint64_t>(bits) >> -m_free);
        m_free += 64;
        m_bits = bits;
    }

    // The bits left, padded with ones to a whole byte.
    void Finish() {
        int pending = 64 - m_free;
        if (pending % 8)
            Put((1u << (8 - pending % 8)) - 1, 8 - pending % 8);
        for (int shift = 64 - m_free - 8; shift >= 0; shift -= 8)
            Byte(static_cast<uint8_t>(m_bits >> shift));
        m_free = 64;
    }

private:
    void Byte(uint8_t byte) {
        *m_out++ = byte;
        if (byte == 0xFF)
            *m_out++ = 0;
    }
    void Write(uint64_t word) {
        // A byte of the word is 0xFF where a byte of its complement is 0.
        uint64_t inverse = ~word;
        if (((inverse - 0x0101010101010101u) & ~inverse & 0x8080808080808080u) == 0) {
            uint64_t bytes = BigEndian(word);
            std::memcpy(m_out, &bytes, 8);
            m_out += 8;
            return;
        }
        m_out = WriteStuffed(m_out, word);
    }
    // Rare: apart from the coding loop, and without the writer's state.
#if defined(__GNUC__) || defined(__clang__)
    __attribute__((noinline))
#endif
    static uint8_t*
    WriteStuffed(uint8_t* out, uint64_t word) {
        for (int shift = 56; shift >= 0; shift -= 8) {
            uint8_t byte = static_cast<uint8_t>(word >> shift);
            *out++ = byte;
            if (byte == 0xFF)
                *out++ = 0;
        }
        return out;
    }

    uint64_t m_bits = 0;  // the low 64 - m_free bits wait to be written
    int m_free = 64;
    uint8_t* m_out;
};

// The Huffman coding is inlined into one loop, so that the bit writer stays in registers.
#if defined(__GNUC__) || defined(__clang__)
#define WEBCAM_INLINE __attribute__((always_inline)) inline
#else
#define WEBCAM_INLINE __forceinline
#endif

// One block as the kernels code it: its DC as the difference from the last block of its
// component, then runs of zeros and the nonzero coefficients that `mask` finds, then the end of
// block unless the last coefficient is nonzero.
WEBCAM_INLINE void EncodeBlock(BitWriter& w, const int16_t* bits, const uint8_t* sizes,
                               uint64_t mask, int* predictor, const HuffmanCodes& dc,
                               const HuffmanCodes& ac) {
    int diff = bits[0] - *predictor;
    *predictor = bits[0];
    int category = Category(diff);
    w.Put(dc.shifted[category] | ValueBits(diff, category), dc.total[category]);
    int last = 0;
    for (; mask; mask &= mask - 1) {
        int k = LowestBit(mask), run = k - last - 1;
        last = k;
        for (; run > 15; run -= 16)
            w.Put(ac.code[0xF0], ac.length[0xF0]);
        int symbol = run << 4 | sizes[k];
        w.Put(ac.shifted[symbol] | static_cast<uint16_t>(bits[k]), ac.total[symbol]);
    }
    if (last != 63)
        w.Put(ac.code[0], ac.length[0]);
}

// Where a row of MCUs' coded blocks are: the luma's rows of blocks, then Cb's and Cr's.
struct CodedRow {
    const int16_t* bits;
    const uint8_t* sizes;
    const uint64_t* masks;
    int lumaBlocks;  // in each row of blocks
    size_t cbFirst, crFirst;
    int h, v;
};

WEBCAM_INLINE void EncodeMcu(BitWriter& w, const CodedRow& row, int mcu, int* predictor,
                             const StandardCodes& codes) {
    for (int by = 0; by < row.v; ++by)
        for (int bx = 0; bx < row.h; ++bx) {
            size_t block = static_cast<size_t>(by) * row.lumaBlocks + mcu * row.h + bx;
            EncodeBlock(w, row.bits + 64 * block, row.sizes + 64 * block, row.masks[block],
                        &predictor[0], codes.dc[0], codes.ac[0]);
        }
    for (int c = 1; c <= 2; ++c) {
        size_t block = (c == 1 ? row.cbFirst : row.crFirst) + mcu;
        EncodeBlock(w, row.bits + 64 * block, row.sizes + 64 * block, row.masks[block],
                    &predictor[c], codes.dc[1], codes.ac[1]);
    }
}

// The row's MCUs from `mcu` on while `limit` leaves room for the worst case of each; returns
// the first MCU not encoded. The writer is a local copy here, so that it lives in registers.
int EncodeMcus(BitWriter& writer, const uint8_t* limit, size_t mcuBytes, const CodedRow& row,
               int mcu, int mcus, int* predictor, const StandardCodes& codes) {
    BitWriter w = writer;
    for (; mcu < mcus && static_cast<size_t>(limit - w.position()) >= mcuBytes; ++mcu)
        EncodeMcu(w, row, mcu, predictor, codes);
    writer = w;
    return mcu;
}

// The luma blocks per MCU across and down: 2x1 for the packed layouts (4:2:2), 2x2 else.
struct Geometry {
    int h = 2, v = 2;
    int mcusAcross = 0, mcuRows = 0;
    int lumaWidth = 0, chromaWidth = 0;  // whole MCUs' samples
    Geometry(FrameLayout layout, int width, int height) {
        if (layout == FrameLayout::Yuy2 || layout == FrameLayout::Uyvy)
            v = 1;
        mcusAcross = (width + 8 * h - 1) / (8 * h);
        mcuRows = (height + 8 * v - 1) / (8 * v);
        lumaWidth = mcusAcross * 8 * h;
        chromaWidth = mcusAcross * 8;
    }
    int blocksPerMcu() const { return h * v + 2; }
};

// One row of MCUs of each component: 8 * v rows of luma, 8 of each chroma.
struct Strips {
    const uint8_t* y;
    size_t yStride;
    const uint8_t* cb;
    const uint8_t* cr;
    size_t cStride;
};

// `n` samples (at least 1) and copies of the last up to `padded`.
void CopyRow(const uint8_t* from, int n, int padded, uint8_t* to) {
    std::memcpy(to, from, static_cast<size_t>(n));
    std::memset(to + n, from[n - 1], static_cast<size_t>(padded - n));
}

// `n` pairs of bytes parted: the first of each pair to `a`, the second to `b`.
void SplitPairs(const uint8_t* pairs, int n, uint8_t* a, uint8_t* b) {
    int i = 0;
#ifdef WEBCAM_JPEG_SSE2
    const __m128i low = _mm_set1_epi16(0x00FF);
    for (; i + 16 <= n; i += 16) {
        __m128i p0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs + 2 * i));
        __m128i p1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pairs + 2 * i + 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(a + i),
                         _mm_packus_epi16(_mm_and_si128(p0, low), _mm_and_si128(p1, low)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(b + i),
                         _mm_packus_epi16(_mm_srli_epi16(p0, 8), _mm_srli_epi16(p1, 8)));
    }
#endif
    for (; i < n; ++i) {
        a[i] = pairs[2 * i];
        b[i] = pairs[2 * i + 1];
    }
}

// `pairs` pixel pairs of a packed 4:2:2 row into luma, U and V.
void SplitPacked(const uint8_t* packed, int pairs, bool uyvy, uint8_t* y, uint8_t* u, uint8_t* v) {
    int i = 0;
#ifdef WEBCAM_JPEG_SSE2
    const __m128i low = _mm_set1_epi16(0x00FF);
    for (; i + 8 <= pairs; i += 8) {
        __m128i p0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(packed + 4 * i));
        __m128i p1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(packed + 4 * i + 16));
        __m128i evens = _mm_packus_epi16(_mm_and_si128(p0, low), _mm_and_si128(p1, low));
        __m128i odds = _mm_packus_epi16(_mm_srli_epi16(p0, 8), _mm_srli_epi16(p1, 8));
        __m128i luma = uyvy ? odds : evens, chroma = uyvy ? evens : odds;  // chroma: U V U V ...
        _mm_storeu_si128(reinterpret_cast<__m128i*>(y + 2 * i), luma);
        __m128i uv = _mm_packus_epi16(_mm_and_si128(chroma, low), _mm_srli_epi16(chroma, 8));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(u + i), uv);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(v + i), _mm_unpackhi_epi64(uv, uv));
    }
#endif
    const int yAt = uyvy ? 1 : 0, uAt = uyvy ? 0 : 1;
    for (; i < pairs; ++i) {
        const uint8_t* q = packed + 4 * i;
        y[2 * i] = q[yAt];
        y[2 * i + 1] = q[yAt + 2];
        u[i] = q[uAt];
        v[i] = q[uAt + 2];
    }
}

// YV12, I420 and NV12: rows read in place where whole MCUs lie inside the frame, else copied
// with the last column and row repeated. Without chroma planes (a width or height of 1) the
// chroma is neutral.
Strips PlanarStrips(FrameLayout layout, const uint8_t* frame, int width, int height, int mcuRow,
                    const Geometry& g, uint8_t* samples) {
    Strips s{};
    uint8_t* yRows = samples;
    uint8_t* cbRows = yRows + static_cast<size_t>(g.lumaWidth) * 16;
    uint8_t* crRows = cbRows + static_cast<size_t>(g.chromaWidth) * 8;
    const int top = mcuRow * 16;
    if (width == g.lumaWidth && top + 16 <= height) {
        s.y = frame + static_cast<size_t>(top) * width;
        s.yStride = static_cast<size_t>(width);
    } else {
        for (int r = 0; r < 16; ++r)
            CopyRow(frame + static_cast<size_t>(std::min(top + r, height - 1)) * width, width,
                    g.lumaWidth, yRows + static_cast<size_t>(r) * g.lumaWidth);
        s.y = yRows;
        s.yStride = static_cast<size_t>(g.lumaWidth);
    }
    s.cb = cbRows;
    s.cr = crRows;
    s.cStride = static_cast<size_t>(g.chromaWidth);
    const int chromaWidth = width / 2, chromaHeight = height / 2, chromaTop = mcuRow * 8;
    const size_t chromaPlane = static_cast<size_t>(chromaWidth) * chromaHeight;
    if (chromaPlane == 0) {
        std::memset(cbRows, 128, s.cStride * 16);  // both planes
        return s;
    }
    const uint8_t* first = frame + static_cast<size_t>(width) * height;
    if (layout == FrameLayout::Nv12) {
        for (int r = 0; r < 8; ++r) {
            const uint8_t* pairs =
                first +
                static_cast<size_t>(std::min(chromaTop + r, chromaHeight - 1)) * chromaWidth * 2;
            uint8_t* cb = cbRows + r * s.cStride;
            uint8_t* cr = crRows + r * s.cStride;
            SplitPairs(pairs, chromaWidth, cb, cr);
            std::memset(cb + chromaWidth, cb[chromaWidth - 1], s.cStride - chromaWidth);
            std::memset(cr + chromaWidth, cr[chromaWidth - 1], s.cStride - chromaWidth);
        }
        return s;
    }
    const uint8_t* u = layout == FrameLayout::I420 ? first : first + chromaPlane;
    const uint8_t* v = layout == FrameLayout::I420 ? first + chromaPlane : first;
    if (chromaWidth == g.chromaWidth && chromaTop + 8 <= chromaHeight) {
        s.cb = u + static_cast<size_t>(chromaTop) * chromaWidth;
        s.cr = v + static_cast<size_t>(chromaTop) * chromaWidth;
        return s;
    }
    for (int r = 0; r < 8; ++r) {
        size_t from = static_cast<size_t>(std::min(chromaTop + r, chromaHeight - 1)) * chromaWidth;
        CopyRow(u + from, chromaWidth, g.chromaWidth, cbRows + r * s.cStride);
        CopyRow(v + from, chromaWidth, g.chromaWidth, crRows + r * s.cStride);
    }
    return s;
}

// YUY2 and UYVY: each row parted into its planes. An odd width's last pixel has its luma and U
// only: its V is the pair's before it, or neutral.
Strips PackedStrips(FrameLayout layout, const uint8_t* frame, int width, int height, int mcuRow,
                    const Geometry& g, uint8_t* samples) {
    const bool uyvy = layout == FrameLayout::Uyvy;
    const size_t yStride = static_cast<size_t>(g.lumaWidth),
                 cStride = static_cast<size_t>(g.chromaWidth);
    uint8_t* yRows = samples;
    uint8_t* cbRows = yRows + yStride * 8;
    uint8_t* crRows = cbRows + cStride * 8;
    const int pairs = width / 2, chroma = (width + 1) / 2;
    for (int r = 0; r < 8; ++r) {
        const uint8_t* row =
            frame + static_cast<size_t>(std::min(mcuRow * 8 + r, height - 1)) * width * 2;
        uint8_t* y = yRows + r * yStride;
        uint8_t* u = cbRows + r * cStride;
        uint8_t* v = crRows + r * cStride;
        SplitPacked(row, pairs, uyvy, y, u, v);
        if (width % 2) {
            const uint8_t* last = row + 4 * pairs;
            y[width - 1] = last[uyvy ? 1 : 0];
            u[pairs] = last[uyvy ? 0 : 1];
            v[pairs] = pairs ? v[pairs - 1] : 128;
        }
        std::memset(y + width, y[width - 1], yStride - width);
        std::memset(u + chroma, u[chroma - 1], cStride - chroma);
        std::memset(v + chroma, v[chroma - 1], cStride - chroma);
    }
    return {yRows, yStride, cbRows, crRows, cStride};
}

// RGB bitmaps to full-range YCbCr (the JFIF arithmetic in 16-bit fixed point), chroma the mean
// of each 2x2 square, pixels past the edges repeating the last ones.
Strips RgbStrips(FrameLayout layout, const uint8_t* frame, int width, int height, int mcuRow,
                 const Geometry& g, uint8_t* samples, int32_t* sums) {
    const size_t pixelBytes =
        layout == FrameLayout::Rgb24 || layout == FrameLayout::Rgb24TopDown ? 3 : 4;
    const bool topDown = layout == FrameLayout::Rgb24TopDown || layout == FrameLayout::Rgb32TopDown;
    const size_t stride = (static_cast<size_t>(width) * pixelBytes + 3) / 4 * 4;
    const size_t yStride = static_cast<size_t>(g.lumaWidth),
                 cStride = static_cast<size_t>(g.chromaWidth);
    uint8_t* yRows = samples;
    uint8_t* cbRows = yRows + yStride * 16;
    uint8_t* crRows = cbRows + cStride * 8;
    int32_t* cbSums = sums;
    int32_t* crSums = sums + cStride;
    for (int r = 0; r < 16; ++r) {
        int row = std::min(mcuRow * 16 + r, height - 1);
        const uint8_t* in = frame + static_cast<size_t>(topDown ? row : height - 1 - row) * stride;
        uint8_t* y = yRows + r * yStride;
        if (r % 2 == 0) {
            std::fill(cbSums, cbSums + cStride, 0);
            std::fill(crSums, crSums + cStride, 0);
        }
        for (int x = 0; x < g.lumaWidth; ++x) {
            const uint8_t* p = in + static_cast<size_t>(std::min(x, width - 1)) * pixelBytes;
            int blue = p[0], green = p[1], red = p[2];
            y[x] = static_cast<uint8_t>((19595 * red + 38470 * green + 7471 * blue + 32768) >> 16);
            cbSums[x / 2] += -11059 * red - 21709 * green + 32768 * blue;
            crSums[x / 2] += 32768 * red - 27439 * green - 5329 * blue;
        }
        if (r % 2 == 1) {
            uint8_t* cb = cbRows + (r / 2) * cStride;
            uint8_t* cr = crRows + (r / 2) * cStride;
            for (size_t i = 0; i < cStride; ++i) {  // a mean of four, 128 added, rounded
                cb[i] = static_cast<uint8_t>(
                    std::min((cbSums[i] + (512 << 16) + (1 << 17)) >> 18, 255));
                cr[i] = static_cast<uint8_t>(
                    std::min((crSums[i] + (512 << 16) + (1 << 17)) >> 18, 255));
            }
        }
    }
    return {yRows, yStride, cbRows, crRows, cStride};
}

// One component's quantisation: libjpeg's quality scaling of `base`, as the kernels take it
// (with `scale` the range stretch and `shift` the level shift of samples stretched: samples
// are coded as scale * sample + shift), and in zigzag order for the DQT segment.
void BuildQuant(const uint8_t* base, int quality, double scale, double shift, ForwardQuant* quant,
                uint8_t* zigzag) {
    const int percent = quality < 50 ? 5000 / quality : 200 - 2 * quality;
    int q[64];
    for (int i = 0; i < 64; ++i)
        q[i] = std::clamp((base[i] * percent + 50) / 100, 1, 255);
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 8; ++col)
            quant->multipliers[col * 8 + row] = static_cast<float>(
                scale / (8.0 * kAanScale[row] * kAanScale[col] * q[row * 8 + col]));
    // A constant c has the DC 8 c.
    quant->dcOffset = static_cast<float>(8.0 * shift / q[0]);
    for (int k = 0; k < 64; ++k)
        zigzag[k] = static_cast<uint8_t>(q[kZigzag[k]]);
}

ForwardBlocksKernel KernelFor(YuvKernel kernel) {
    switch (kernel) {
#ifdef WEBCAM_HAS_X86_KERNELS
        case YuvKernel::Sse2:
            return &ForwardBlocksSse2;
        case YuvKernel::Avx2:
            return &ForwardBlocksAvx2;
        case YuvKernel::Avx512:
            return &ForwardBlocksAvx512;
#endif
        default:
            return &ForwardBlocksScalar;
    }
}

void Word(uint8_t*& p, int value) {
    *p++ = static_cast<uint8_t>(value >> 8);
    *p++ = static_cast<uint8_t>(value);
}

size_t HeaderBytes() {
    return 2 + 18 + (4 + 2 * 65) + 19 + StandardHuffmanSegment().size() + 14;
}

// SOI, JFIF, DQT, SOF0, DHT and SOS.
uint8_t* WriteHeaders(uint8_t* p, int width, int height, const Geometry& g,
                      const uint8_t dqt[2][64]) {
    const uint8_t start[] = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F',
                             0,    1,    1,    0,    0, 1,  0,   1,   0,   0};
    std::memcpy(p, start, sizeof(start));
    p += sizeof(start);
    *p++ = 0xFF;
    *p++ = 0xDB;
    Word(p, 2 + 2 * 65);
    for (int t = 0; t < 2; ++t) {
        *p++ = static_cast<uint8_t>(t);  // 8-bit values, table t
        std::memcpy(p, dqt[t], 64);
        p += 64;
    }
    *p++ = 0xFF;
    *p++ = 0xC0;
    Word(p, 17);
    *p++ = 8;
    Word(p, height);
    Word(p, width);
    const uint8_t components[] = {3,    1, static_cast<uint8_t>(g.h << 4 | g.v), 0, 2, 0x11, 1, 3,
                                  0x11, 1};
    std::memcpy(p, components, sizeof(components));
    p += sizeof(components);
    const std::vector<uint8_t>& dht = StandardHuffmanSegment();
    std::memcpy(p, dht.data(), dht.size());
    p += dht.size();
    const uint8_t scan[] = {0xFF, 0xDA, 0, 12, 3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0};
    std::memcpy(p, scan, sizeof(scan));
    return p + sizeof(scan);
}

}  // namespace

size_t JpegEncodedBound(int width, int height) {
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return 0;
    const size_t across = (static_cast<size_t>(width) + 15) / 16;
    const size_t blocks =
        std::max(across * ((static_cast<size_t>(height) + 7) / 8) * 4,     // 4:2:2
                 across * ((static_cast<size_t>(height) + 15) / 16) * 6);  // 4:2:0
    return HeaderBytes() + blocks * kBlockBytes + kTrailerBytes;
}

size_t EncodeJpeg(FrameLayout layout, const uint8_t* frame, size_t frameBytes, int width,
                  int height, int quality, uint8_t* out, size_t capacity,
                  JpegEncoderScratch* scratch) {
    static const YuvKernel fastest = FastestYuvKernel();
    return EncodeJpegWith(fastest, layout, frame, frameBytes, width, height, quality, out, capacity,
                          scratch);
}

size_t EncodeJpegWith(YuvKernel kernel, FrameLayout layout, const uint8_t* frame, size_t frameBytes,
                      int width, int height, int quality, uint8_t* out, size_t capacity,
                      JpegEncoderScratch* scratch) {
    if (!frame || !out || !scratch || !IsFrameLayout(static_cast<int>(layout)))
        return 0;
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide)
        return 0;
    const size_t required = RequiredFrameBytes(layout, width, height);
    if (required == 0 || frameBytes < required || capacity < HeaderBytes())
        return 0;
    quality = std::clamp(quality, 1, 100);
    const ForwardBlocksKernel forward = KernelFor(kernel);
    const Geometry g(layout, width, height);

    // Camera YUV is stretched from the studio range: luma 16-235 and chroma 16-240 to 0-255.
    ForwardQuant quant[2];
    uint8_t dqt[2][64];
    const bool rgb = IsRgbLayout(layout);
    const double lumaScale = rgb ? 1.0 : 255.0 / 219, chromaScale = rgb ? 1.0 : 255.0 / 224;
    BuildQuant(kLumaQuant, quality, lumaScale, rgb ? -128.0 : -16 * lumaScale - 128, &quant[0],
               dqt[0]);
    BuildQuant(kChromaQuant, quality, chromaScale, -128 * chromaScale, &quant[1], dqt[1]);

    const int lumaBlocks = g.mcusAcross * g.h;  // in each row of blocks
    const size_t rowBlocks =
        static_cast<size_t>(lumaBlocks) * g.v + 2 * static_cast<size_t>(g.mcusAcross);
    scratch->samples.resize(static_cast<size_t>(g.lumaWidth) * 16 +
                            static_cast<size_t>(g.chromaWidth) * 16);
    scratch->coefficients.resize(rowBlocks * 64);
    scratch->sizes.resize(rowBlocks * 64);
    scratch->masks.resize(rowBlocks);
    const size_t mcuBytes = g.blocksPerMcu() * kBlockBytes + kFlushBytes;
    scratch->tail.resize(std::max(mcuBytes, kTrailerBytes));
    if (rgb)
        scratch->chromaSums.resize(2 * static_cast<size_t>(g.chromaWidth));

    BitWriter w(WriteHeaders(out, width, height, g, dqt));
    uint8_t* const limit = out + capacity;
    // Near the end of `out`, bytes go to the tail first and are copied where they fit.
    auto throughTail = [&](auto encode) {
        uint8_t* at = w.position();
        w.MoveTo(scratch->tail.data());
        encode();
        size_t n = static_cast<size_t>(w.position() - scratch->tail.data());
        if (n > static_cast<size_t>(limit - at))
            return false;
        std::memcpy(at, scratch->tail.data(), n);
        w.MoveTo(at + n);
        return true;
    };

    const StandardCodes& codes = Codes();
    int predictor[3] = {0, 0, 0};
    const size_t cbFirst = static_cast<size_t>(lumaBlocks) * g.v, crFirst = cbFirst + g.mcusAcross;
    int16_t* const bits = scratch->coefficients.data();
    uint8_t* const sizes = scratch->sizes.data();
    uint64_t* const masks = scratch->masks.data();
    const CodedRow row{bits, sizes, masks, lumaBlocks, cbFirst, crFirst, g.h, g.v};
    for (int mcuRow = 0; mcuRow < g.mcuRows; ++mcuRow) {
        uint8_t* samples = scratch->samples.data();
        Strips s = rgb        ? RgbStrips(layout, frame, width, height, mcuRow, g, samples,
                                          scratch->chromaSums.data())
                   : g.v == 1 ? PackedStrips(layout, frame, width, height, mcuRow, g, samples)
                              : PlanarStrips(layout, frame, width, height, mcuRow, g, samples);
        for (int by = 0; by < g.v; ++by) {
            size_t first = static_cast<size_t>(by) * lumaBlocks;
            forward(s.y + 8 * by * s.yStride, s.yStride, lumaBlocks, quant[0], bits + 64 * first,
                    sizes + 64 * first, masks + first);
        }
        forward(s.cb, s.cStride, g.mcusAcross, quant[1], bits + 64 * cbFirst, sizes + 64 * cbFirst,
                masks + cbFirst);
        forward(s.cr, s.cStride, g.mcusAcross, quant[1], bits + 64 * crFirst, sizes + 64 * crFirst,
                masks + crFirst);

        for (int mcu = 0; mcu < g.mcusAcross; ++mcu) {
            mcu = EncodeMcus(w, limit, mcuBytes, row, mcu, g.mcusAcross, predictor, codes);
            if (mcu < g.mcusAcross &&
                !throughTail([&] { EncodeMcu(w, row, mcu, predictor, codes); }))
                return 0;
        }
    }
    auto finish = [&] {
        w.Finish();
        uint8_t* p = w.position();
        *p++ = 0xFF;
        *p++ = 0xD9;
        w.MoveTo(p);
    };
    if (static_cast<size_t>(limit - w.position()) >= kTrailerBytes)
        finish();
    else if (!throughTail(finish))
        return 0;
    return static_cast<size_t>(w.position() - out);
}
