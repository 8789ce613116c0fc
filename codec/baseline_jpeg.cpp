// The baseline JPEG decoder: the markers, the entropy-coded data and the run over the frame's
// rows of blocks. The inverse DCT and the packing into YUY2 are kernels chosen for the processor
// (jpeg_decoder_kernels.h).
#include "baseline_jpeg.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "jpeg_decoder_kernels.h"
#include "jpeg_huffman.h"

namespace {

// The natural (row-major) position of the k-th coefficient in zigzag order.
constexpr uint8_t kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// Where the k-th coefficient in zigzag order goes in a transposed block (column * 8 + row).
// Positions past the block (a run overshooting it, an end of block's jump) all go to the spare
// slot 64: a coefficient written there marks the block damaged, the end of block's zero does not.
constexpr int kSpareSlot = 64;
struct TransposedZigzag {
    uint8_t at[128];
    constexpr TransposedZigzag() : at() {
        for (int k = 0; k < 128; ++k) at[k] = k < 64 ? static_cast<uint8_t>(kZigzag[k] % 8 * 8 + kZigzag[k] / 8) : kSpareSlot;
    }
};
constexpr TransposedZigzag kTransposedZigzag;

// Huffman lookups take this many bits at once. A code that short, together with the extra bits
// of its value when those fit too, is decoded whole by one lookup.
constexpr int kLookBits = 10;
constexpr int kMaxSymbolBits = 16 + 11;  // the longest code and the most extra bits
constexpr uint8_t kPartial = 0x40;       // in HuffmanEntry::length: the value's bits not taken

// Whole bytes of data a scan may leave after its last block. Encoders pad the last byte with
// ones and go on to the marker; more than a few bytes left mean that damage ended the blocks
// early, and most of their samples are wrong.
constexpr size_t kMostBytesLeft = 3;

// What a lookup gives. Whole: `length` bits taken for a coefficient of `value` after `run`
// zeros (for DC tables: a difference of `value`); an end of block is a zero after 63 zeros, which
// carries the position past the block. Partial (`length` & kPartial): only the code of
// `length` & 63 bits, its symbol in `value`, or 0 bits for a code longer than the lookup.
struct HuffmanEntry {
    int16_t value;
    uint8_t run;
    uint8_t length;
};

struct Huffman {
    bool defined = false;
    HuffmanEntry fast[1 << kLookBits];
    int32_t maxCode[17] = {};  // by length; -1 where there are no codes of that length
    int32_t firstCode[17] = {};
    int32_t firstIndex[17] = {};
    uint8_t values[256] = {};
};

// The lookup's entry for a code of `length` bits and `symbol` followed by the bits `after`
// (kLookBits - length of them).
HuffmanEntry LookupEntry(int symbol, int length, int after, bool ac) {
    const HuffmanEntry partial{static_cast<int16_t>(symbol), 0, static_cast<uint8_t>(kPartial | length)};
    int size = ac ? symbol & 15 : symbol, run = ac ? symbol >> 4 : 0;
    if (ac && size == 0) return run == 15 ? partial : HuffmanEntry{0, 63, static_cast<uint8_t>(length)};
    if (size > (ac ? 10 : 11) || length + size > kLookBits) return partial;  // too long, or damaged
    int bits = size ? (after >> (kLookBits - length - size)) & ((1 << size) - 1) : 0;
    int value = size && bits < (1 << (size - 1)) ? bits - (1 << size) + 1 : bits;
    return {static_cast<int16_t>(value), static_cast<uint8_t>(run), static_cast<uint8_t>(length + size)};
}

bool BuildHuffman(const uint8_t counts[16], const uint8_t* values, int total, bool ac, Huffman* h) {
    std::memcpy(h->values, values, static_cast<size_t>(total));
    std::fill(std::begin(h->fast), std::end(h->fast), HuffmanEntry{0, 0, kPartial});
    int32_t code = 0, index = 0;
    for (int length = 1; length <= 16; ++length) {
        h->firstIndex[length] = index;
        h->firstCode[length] = code;
        for (int i = 0; i < counts[length - 1]; ++i, ++code, ++index) {
            if (code >= (1 << length)) return false;  // more codes than the length has room for
            if (length <= kLookBits)
                for (int after = 0; after < (1 << (kLookBits - length)); ++after)
                    h->fast[(code << (kLookBits - length)) | after] = LookupEntry(values[index], length, after, ac);
        }
        h->maxCode[length] = counts[length - 1] ? code - 1 : -1;
        code <<= 1;
    }
    h->defined = true;
    return true;
}

// The standard table of each class (DC, AC) and number (0 luminance, 1 chrominance), built once.
const Huffman& StandardHuffman(bool ac, int id) {
    struct Tables {
        Huffman table[2][2];
        Tables() {
            const StandardHuffmanTable* standard = StandardHuffmanTables();
            for (int i = 0; i < 4; ++i) {
                const StandardHuffmanTable& t = standard[i];
                const bool isAc = t.classAndId >> 4;
                BuildHuffman(t.counts, t.values, t.valueCount, isAc,
                             &table[isAc][t.classAndId & 15]);
            }
        }
    };
    static const Tables tables;
    return tables.table[ac][id];
}

// Whether a table the scan uses is there. Tables 0 and 1 the frame never defined are the
// standard luminance and chrominance ones, which cameras that leave out some or all of their
// tables assume.
bool EnsureHuffman(Huffman* h, bool ac, int id) {
    if (!h->defined && id < 2)
        *h = StandardHuffman(ac, id);
    return h->defined;
}

uint64_t BigEndian64(const uint8_t* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof(word));
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_bswap64(word);
#else
    return _byteswap_uint64(word);
#endif
}

// The entropy-coded bytes as bits: stuffed zero bytes taken out, and zero bits fed once a
// marker or the end is reached; `overran` tells that some of those were taken as data. The
// next bit is the top one of `bits`; bits below the `count` valid ones are either zero or the
// bytes that follow.
class BitReader {
public:
    BitReader(const uint8_t* data, size_t size, size_t position) : m_data(data), m_size(size), m_pos(position) {}

    // At least kMaxSymbolBits valid bits.
    void Need() {
        if (count < kMaxSymbolBits) Refill();
    }
    void Skip(int n) {
        bits <<= n;
        count -= n;
    }
    // `s` (1-16) bits as a signed value, as the coefficients are coded.
    int Receive(int s) {
        int value = static_cast<int>(bits >> (64 - s));
        Skip(s);
        return value < (1 << (s - 1)) ? value - (1 << s) + 1 : value;
    }
    // The symbol of a code the lookup left partial; -1 for no code of any length.
    int FinishSymbol(const Huffman& h, HuffmanEntry entry) {
        int length = entry.length & 63;
        if (length) {
            Skip(length);
            return entry.value;
        }
        uint32_t look = static_cast<uint32_t>(bits >> 48);
        for (length = kLookBits + 1; length <= 16; ++length) {
            int32_t code = static_cast<int32_t>(look >> (16 - length));
            if (code <= h.maxCode[length]) {
                Skip(length);
                return h.values[h.firstIndex[length] + code - h.firstCode[length]];
            }
        }
        return -1;
    }
    // At a restart marker: the bits left go, the marker is passed. False when it is not there.
    bool Restart() {
        bits = 0;
        count = 0;
        m_fakeBits = 0;
        m_stopped = false;
        while (m_pos + 1 < m_size && m_data[m_pos] == 0xFF && m_data[m_pos + 1] == 0xFF) ++m_pos;
        if (m_pos + 1 >= m_size || m_data[m_pos] != 0xFF || m_data[m_pos + 1] < 0xD0 || m_data[m_pos + 1] > 0xD7)
            return false;
        m_pos += 2;
        return true;
    }
    bool overran() const { return m_fakeBits > count; }
    // Whether the data ends within `most` whole bytes of the bits taken so far: at the next
    // marker (its 0xFF fill included) or at the end of the bytes. Counts no further than that.
    bool EndsWithin(size_t most) const {
        size_t left =
            count > m_fakeBits ? static_cast<size_t>(count - m_fakeBits) / 8 : 0;  // read in
        for (size_t at = m_pos; !m_stopped && at < m_size && left <= most; ++left) {
            if (m_data[at] != 0xFF)
                ++at;
            else if (at + 1 < m_size && m_data[at + 1] == 0x00)
                at += 2;  // a stuffed 0xFF
            else
                break;  // a marker
        }
        return left <= most;
    }

    uint64_t bits = 0;
    int count = 0;

private:
    // Eight bytes at once where none of them is 0xFF (no stuffing, no marker: a marker stops the
    // fast way, as its 0xFF is never passed here), otherwise byte by byte.
    void Refill() {
        if (m_pos + 8 <= m_size) {
            uint64_t word = BigEndian64(m_data + m_pos);
            if (((~word - 0x0101010101010101u) & word & 0x8080808080808080u) == 0) {
                bits |= word >> count;
                m_pos += static_cast<size_t>((63 - count) >> 3);
                count |= 56;
                return;
            }
        }
        RefillBytes();
    }

    void RefillBytes() {
        while (count <= 56) {
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
            bits |= byte << (56 - count);
            count += 8;
        }
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos;
    bool m_stopped = false;
    int m_fakeBits = 0;  // zero bits fed past the data's end
};

struct Component {
    int id = 0, h = 1, v = 1, table = 0, dcTable = 0, acTable = 0;
    int predictor = 0;
    InverseQuant quant;
};

struct Frame {
    int width = 0, height = 0, components = 0, restartInterval = 0;
    Component component[3];
    uint16_t quant[4][64] = {};
    bool quantDefined[4] = {};
    Huffman dc[4], ac[4];
    size_t scanStart = 0;
    int scanOrder[3] = {0, 1, 2};  // frame components in the scan's order
    int adobeTransform = -1;       // the Adobe marker's colour transform; -1 without one
};

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// Whether three components are Y, Cb and Cr, the only colours the YUY2 output takes. An Adobe
// marker's transform flag says so (1) or not (0: RGB); without one, components named 'R', 'G'
// and 'B' are RGB.
bool IsYCbCr(const Frame& f) {
    if (f.adobeTransform >= 0)
        return f.adobeTransform == 1;
    const Component* c = f.component;
    return !(c[0].id == 'R' && c[1].id == 'G' && c[2].id == 'B');
}

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
                    if (!BuildHuffman(p + 1, p + 17, total, tableClass == 1, tableClass ? &f->ac[id] : &f->dc[id])) return JpegResult::Damaged;
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
                if (f->components == 3 && !IsYCbCr(*f))
                    return JpegResult::Unsupported;
                f->scanStart = at + 2 + length;
                return JpegResult::Ok;
            }
            case 0xEE:  // Adobe's: "Adobe", version, two words of flags, the colour transform
                if (length >= 14 && std::memcmp(p, "Adobe", 5) == 0)
                    f->adobeTransform = p[11];
                break;
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
// studio range, 219/255 for luma and 224/255 for chroma. False when a table is missing.
bool PrepareComponents(Frame* f) {
    for (int c = 0; c < f->components; ++c) {
        Component& comp = f->component[c];
        if (!f->quantDefined[comp.table] ||
            !EnsureHuffman(&f->dc[comp.dcTable], false, comp.dcTable) ||
            !EnsureHuffman(&f->ac[comp.acTable], true, comp.acTable))
            return false;
        bool luma = c == 0;
        float range = luma ? 219.0f / 255.0f : 224.0f / 255.0f;
        for (int row = 0; row < 8; ++row)
            for (int column = 0; column < 8; ++column)
                comp.quant.multipliers[column * 8 + row] =
                    f->quant[comp.table][row * 8 + column] * kAan[row] * kAan[column] / 8.0f * range;
        comp.quant.offset = luma ? 16.0f + 128.0f * range : 128.0f;
        comp.quant.lowest = 16;
        comp.quant.highest = luma ? 235 : 240;
        comp.predictor = 0;
    }
    return true;
}

// One block's coefficients into `block` (transposed, zero before), the DC from `predictor`.
// Answers how many zigzag positions the coefficients reach (1: the DC alone), 0 for a damaged
// stream.
inline int DecodeBlock(BitReader& in, const Huffman& dc, const Huffman& ac, int* predictor, int16_t* block) {
    in.Need();
    HuffmanEntry entry = dc.fast[in.bits >> (64 - kLookBits)];
    int difference = entry.value;
    if (entry.length & kPartial) {
        int size = in.FinishSymbol(dc, entry);
        if (size < 0 || size > 11) return 0;
        difference = size ? in.Receive(size) : 0;
    } else {
        in.Skip(entry.length);
    }
    // Kept to 16 bits: only a damaged stream's predictions go further.
    *predictor = static_cast<int16_t>(static_cast<uint16_t>(*predictor + difference));
    block[0] = static_cast<int16_t>(*predictor);
    int k = 1;
    for (;;) {
        in.Need();
        entry = ac.fast[in.bits >> (64 - kLookBits)];
        if (!(entry.length & kPartial)) {
            in.Skip(entry.length);
            k += entry.run;
            block[kTransposedZigzag.at[k]] = entry.value;
            if (++k >= 64) break;
            continue;
        }
        int symbol = in.FinishSymbol(ac, entry);
        if (symbol < 0) return 0;
        int run = symbol >> 4, size = symbol & 15;
        if (size == 0) {
            if (run != 15) break;  // end of block
            k += 16;               // sixteen zeros
            if (k >= 64) {
                k = 64;
                break;
            }
            continue;
        }
        k += run;
        if (k > 63 || size > 10) return 0;
        block[kTransposedZigzag.at[k]] = static_cast<int16_t>(in.Receive(size));
        if (++k >= 64) break;
    }
    if (block[kSpareSlot]) return 0;  // a coefficient past the block's end
    return k > 64 ? k - 64 : k;       // an end of block took k 64 past its position
}

// A block of its DC alone: the inverse DCT gives the DC's value at every sample, so that this
// is what the kernels would give.
void FillBlock(int16_t dc, const InverseQuant& quant, uint8_t* out, size_t stride) {
    float value = std::clamp(dc * quant.multipliers[0] + quant.offset, 0.0f, 255.0f);
    // Rounded to the nearest (ties to even) as the kernels round, without a call into the
    // library: adding and taking away 1.5 * 2^23 leaves no fraction.
    value = (value + 12582912.0f) - 12582912.0f;
    uint8_t sample = static_cast<uint8_t>(std::clamp(value, static_cast<float>(quant.lowest), static_cast<float>(quant.highest)));
    for (int row = 0; row < 8; ++row) std::memset(out + row * stride, sample, 8);
}

struct Kernels {
    InverseBlockKernel inverse;
    PackRowKernel pack;
};

const Kernels& ChosenKernels() {
    static const Kernels kernels =
#ifdef WEBCAM_HAS_X86_KERNELS
        CpuHasAvx2() ? Kernels{&InverseBlockAvx2, &PackRowAvx2} : Kernels{&InverseBlockSse2, &PackRowSse2};
#else
        Kernels{&InverseBlockScalar, &PackRowScalar};
#endif
    return kernels;
}

// One row of MCUs of the planes into YUY2 rows.
void PackRows(const Frame& f, const uint8_t* y, size_t yStride, const uint8_t* cb, const uint8_t* cr,
              size_t cStride, int rows, int firstRow, uint8_t* out, size_t stride, PackRowKernel pack) {
    const int h = f.component[0].h / f.component[1].h, v = f.component[0].v / f.component[1].v;
    for (int row = 0; row < rows; ++row) {
        const uint8_t* luma = y + row * yStride;
        const uint8_t* u = cb ? cb + (row / v) * cStride : nullptr;
        const uint8_t* w = cr ? cr + (row / v) * cStride : nullptr;
        uint8_t* line = out + static_cast<size_t>(firstRow + row) * stride;
        if (u && h == 2) {
            pack(luma, u, w, line, f.width);
            continue;
        }
        for (int x = 0; x < f.width; x += 2) {
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
    uint8_t* yPlane = scratch->planes.data();
    uint8_t* cbPlane = f.components == 3 ? yPlane + yStride * mcuHeight : nullptr;
    uint8_t* crPlane = cbPlane ? cbPlane + cStride * chromaHeight : nullptr;

    // The blocks of one MCU in the scan's order: their tables and where they go in the planes.
    struct Block {
        const Huffman* dc;
        const Huffman* ac;
        Component* component;
        uint8_t* target;  // in the first MCU
        size_t stride;
        size_t step;      // from one MCU to the next
    };
    Block blocks[12];
    int blockCount = 0;
    for (int s = 0; s < f.components; ++s) {
        const int c = f.scanOrder[s];
        Component& comp = f.component[c];
        uint8_t* plane = c == 0 ? yPlane : c == 1 ? cbPlane : crPlane;
        const size_t planeStride = c == 0 ? yStride : cStride;
        for (int by = 0; by < comp.v; ++by)
            for (int bx = 0; bx < comp.h; ++bx)
                blocks[blockCount++] = {&f.dc[comp.dcTable], &f.ac[comp.acTable], &comp,
                                        plane + static_cast<size_t>(by * 8) * planeStride + bx * 8, planeStride,
                                        static_cast<size_t>(comp.h * 8)};
    }
    const Kernels& kernels = ChosenKernels();
    alignas(32) int16_t coefficients[80] = {};  // a transposed block and the spare slot

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
            for (int b = 0; b < blockCount; ++b) {
                const Block& block = blocks[b];
                int reach = DecodeBlock(bits, *block.dc, *block.ac, &block.component->predictor, coefficients);
                if (!reach) return damaged();
                uint8_t* target = block.target + static_cast<size_t>(mcu) * block.step;
                if (reach == 1) {
                    FillBlock(coefficients[0], block.component->quant, target, block.stride);
                    coefficients[0] = 0;
                } else {
                    kernels.inverse(coefficients, block.component->quant, target, block.stride);
                }
            }
        }
        if (bits.overran()) return damaged();  // cut short
        int firstRow = mcuRow * mcuHeight;
        PackRows(f, yPlane, yStride, cbPlane, crPlane, cStride, std::min(mcuHeight, height - firstRow), firstRow,
                 out, stride, kernels.pack);
        rowsDone = std::min(height, firstRow + mcuHeight);
    }
    // A restart marker must come where its interval's data ends (BitReader::Restart); the data
    // after the last block must end at the marker too, give or take a few bytes.
    return bits.EndsWithin(kMostBytesLeft) ? JpegResult::Ok : JpegResult::Damaged;
}
