// The decoder's inverse DCT and YUY2 packing: a scalar reference and SSE2 and AVX2 kernels
// giving the same bytes (the same float operations in the same order). Portable: no Windows
// header; the vector kernels exist on x86 only.
#pragma once
#include <cstddef>
#include <cstdint>

#include "snapshot/yuv_kernels.h"

// How one component's blocks come back to samples. Blocks are held transposed (index
// column * 8 + row), so that the inverse DCT ends on rows without transposing back.
struct InverseQuant {
    // The quantiser, the AAN inverse DCT's input scaling and the full-to-studio range factor in
    // one, transposed as the blocks are.
    alignas(32) float multipliers[64];
    float offset;             // the level shift, in the output's range
    uint8_t lowest, highest;  // the studio range's ends
};

// One block's 64 coefficients (transposed) to 8 rows of 8 samples `stride` apart, rounded and
// clamped to the range. The coefficients are left zero, ready for the next block.
using InverseBlockKernel = void (*)(int16_t* coefficients, const InverseQuant& quant, uint8_t* out,
                                    size_t stride);
// A row of `width` pixels (even) from full-rate luma and chroma shared by pairs: u[i] and v[i]
// belong to pixels 2i and 2i + 1.
using PackRowKernel = void (*)(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                               int width);

void InverseBlockScalar(int16_t* coefficients, const InverseQuant& quant, uint8_t* out,
                        size_t stride);
void PackRowScalar(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int width);
#ifdef WEBCAM_HAS_X86_KERNELS
void InverseBlockSse2(int16_t* coefficients, const InverseQuant& quant, uint8_t* out,
                      size_t stride);
void PackRowSse2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int width);
void InverseBlockAvx2(int16_t* coefficients, const InverseQuant& quant, uint8_t* out,
                      size_t stride);
void PackRowAvx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int width);
#endif

// Always inlined, also into the kernels compiled for another instruction set than the rest.
#if defined(__GNUC__) || defined(__clang__)
#define WEBCAM_JPEG_INLINE inline __attribute__((always_inline))
#elif defined(_MSC_VER)
#define WEBCAM_JPEG_INLINE __forceinline
#else
#define WEBCAM_JPEG_INLINE inline
#endif

// The AAN inverse DCT of eight values, in place, on any type with +, - and * (float or a
// vector of floats), inputs scaled by the multipliers.
template <class T>
WEBCAM_JPEG_INLINE void InverseDct8(T& i0, T& i1, T& i2, T& i3, T& i4, T& i5, T& i6, T& i7,
                                    const T& sqrt2, const T& c2x2, const T& c2minusc6,
                                    const T& c2plusc6) {
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

constexpr float kIdctSqrt2 = 1.414213562f, kIdctC2x2 = 1.847759065f, kIdctC2MinusC6 = 1.082392200f,
                kIdctC2PlusC6 = -2.613125930f;
