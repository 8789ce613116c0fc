// The encoder's forward DCT and quantisation: a scalar reference and SSE2, AVX2 and AVX-512
// kernels giving the same coefficients (the same float operations in the same order). Portable:
// no Windows header; the vector kernels exist on x86 only.
#pragma once
#include <cstddef>
#include <cstdint>

#include "snapshot/yuv_kernels.h"

#if defined(_MSC_VER) && !defined(__clang__)
#include <intrin.h>
#endif

// The position of the lowest set bit; v is not 0.
inline int LowestBit(uint64_t v) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_ctzll(v);
#else
    unsigned long index;
    _BitScanForward64(&index, v);
    return static_cast<int>(index);
#endif
}

// How one component's blocks are quantised. The kernels keep each block transposed until the
// zigzag step: index column * 8 + row.
struct ForwardQuant {
    // The AAN DCT's output scaling, the studio-to-full range stretch and 1 / quantiser in one.
    alignas(64) float multipliers[64];
    // Added to the scaled DC: the level shift (and the studio range's black level).
    float dcOffset;
};

// Baseline codes AC coefficients of up to ten bits and DC differences of up to eleven: stretched
// studio-range samples can go past that, so coefficients are clamped to +-kMaxCoefficient.
constexpr int kMaxCoefficient = 1023;

// The zigzag order: the transposed index of the k-th coefficient.
extern const uint8_t kZigzagTransposed[64];

// `count` 8x8 blocks side by side in 8 rows of `stride` bytes, each quantised (rounded and
// clamped) and read in zigzag order as the Huffman coding takes it, 64 entries a block: bits[0]
// the DC, masks bit k set where AC coefficient k is nonzero (bit 0 clear) and, where it is set,
// sizes[k] its magnitude category and bits[k] its value as coded, in `sizes[k]` low bits (a
// negative value less one).
using ForwardBlocksKernel = void (*)(const uint8_t* rows, size_t stride, int count,
                                     const ForwardQuant& quant, int16_t* bits, uint8_t* sizes,
                                     uint64_t* masks);

void ForwardBlocksScalar(const uint8_t* rows, size_t stride, int count, const ForwardQuant& quant,
                         int16_t* bits, uint8_t* sizes, uint64_t* masks);
#ifdef WEBCAM_HAS_X86_KERNELS
void ForwardBlocksSse2(const uint8_t* rows, size_t stride, int count, const ForwardQuant& quant,
                       int16_t* bits, uint8_t* sizes, uint64_t* masks);
void ForwardBlocksAvx2(const uint8_t* rows, size_t stride, int count, const ForwardQuant& quant,
                       int16_t* bits, uint8_t* sizes, uint64_t* masks);
void ForwardBlocksAvx512(const uint8_t* rows, size_t stride, int count, const ForwardQuant& quant,
                         int16_t* bits, uint8_t* sizes, uint64_t* masks);
#endif

// The number of bits of v: 0 for 0.
inline int BitLength(uint32_t v) {
#if defined(__GNUC__) || defined(__clang__)
    return v ? 32 - __builtin_clz(v) : 0;
#else
    unsigned long index;
    return _BitScanReverse(&index, v) ? static_cast<int>(index) + 1 : 0;
#endif
}

// A value's magnitude category, and its bits as coded in that many bits.
inline int Category(int value) {
    return BitLength(static_cast<uint32_t>(value < 0 ? -value : value));
}
inline uint32_t ValueBits(int value, int category) {
    return static_cast<uint32_t>(value + (value >> 31)) & ((1u << category) - 1);
}

// The zigzag-ordered block in `zigzag` as the kernels give it (see ForwardBlocksKernel), its
// nonzero AC coefficients found by `mask`.
inline void CodeNonzero(const int16_t* zigzag, uint64_t mask, int16_t* bits, uint8_t* sizes) {
    bits[0] = zigzag[0];
    for (; mask; mask &= mask - 1) {
        int k = LowestBit(mask), value = zigzag[k], size = Category(value);
        sizes[k] = static_cast<uint8_t>(size);
        bits[k] = static_cast<int16_t>(ValueBits(value, size));
    }
}

// The AAN forward DCT of eight values of type T (float or a vector of floats with +, - and *),
// in place: outputs are the DCT's scaled by 8 * s(k), s(0) = 1 and s(k) = cos(k pi / 16) *
// sqrt(2), which the multipliers undo. A macro, so that each kernel's file builds it for its
// own instruction set (GCC inlines nothing across them) with the operations in the same order.
#define WEBCAM_FORWARD_DCT8(T, d0, d1, d2, d3, d4, d5, d6, d7, c0707, c0382, c0541, c1306) \
    do {                                                                                   \
        T s07 = d0 + d7, d07 = d0 - d7, s16 = d1 + d6, d16 = d1 - d6;                      \
        T s25 = d2 + d5, d25 = d2 - d5, s34 = d3 + d4, d34 = d3 - d4;                      \
        /* Even part. */                                                                   \
        T e0 = s07 + s34, e3 = s07 - s34, e1 = s16 + s25, e2 = s16 - s25;                  \
        d0 = e0 + e1;                                                                      \
        d4 = e0 - e1;                                                                      \
        T z1 = (e2 + e3) * c0707;                                                          \
        d2 = e3 + z1;                                                                      \
        d6 = e3 - z1;                                                                      \
        /* Odd part. */                                                                    \
        T o0 = d34 + d25, o1 = d25 + d16, o2 = d16 + d07;                                  \
        T z5 = (o0 - o2) * c0382;                                                          \
        T z2 = c0541 * o0 + z5;                                                            \
        T z4 = c1306 * o2 + z5;                                                            \
        T z3 = o1 * c0707;                                                                 \
        T z11 = d07 + z3, z13 = d07 - z3;                                                  \
        d5 = z13 + z2;                                                                     \
        d3 = z13 - z2;                                                                     \
        d1 = z11 + z4;                                                                     \
        d7 = z11 - z4;                                                                     \
    } while (0)

constexpr float kDct0707 = 0.707106781f, kDct0382 = 0.382683433f, kDct0541 = 0.541196100f,
                kDct1306 = 1.306562965f;
