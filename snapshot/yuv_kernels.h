// The BT.601 studio-range YUV to 32-bit RGB arithmetic, in 16-bit fixed point, as scalar code
// and as SSE2, AVX2 and AVX-512 vector code giving the same bytes. Each pixel becomes blue, green, red, 0.
// Portable: no Windows header; the vector versions exist on x86 only.
#pragma once
#include <cstddef>
#include <cstdint>

// `count` pixels from full-resolution planes.
void ConvertPixels444Scalar(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                            size_t count);
// A row of `width` pixels whose chroma is shared by pairs: u[i] and v[i] belong to pixels 2i and
// 2i + 1 (an odd width's last pixel has a pair of its own).
void ConvertRow422Scalar(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                         int width);

// A row of packed 4:2:2 pixels (YUY2: Y0 U Y1 V, or UYVY: U Y0 V Y1): `width` pixels, even.
void ConvertRowPackedScalar(const uint8_t* packed, uint8_t* out, int width, bool uyvy);
// Two rows of 4:2:0 pixels sharing one row of NV12's U V pairs: `width` pixels, even.
void ConvertRowPairNv12Scalar(const uint8_t* y0, const uint8_t* y1, const uint8_t* uv, uint8_t* out0,
                              uint8_t* out1, int width);

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define WEBCAM_HAS_X86_KERNELS 1
void ConvertPixels444Sse2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                          size_t count);
void ConvertRow422Sse2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                       int width);
void ConvertRowPackedSse2(const uint8_t* packed, uint8_t* out, int width, bool uyvy);
void ConvertPixels444Avx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                          size_t count);
void ConvertRow422Avx2(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                       int width);
void ConvertRowPackedAvx2(const uint8_t* packed, uint8_t* out, int width, bool uyvy);
// Two rows of 4:2:0 pixels sharing one chroma row, its terms worked out once.
void ConvertRowPair420Avx2(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v,
                           uint8_t* out0, uint8_t* out1, int width);
bool CpuHasAvx2();
// AVX-512 (F and BW).
void ConvertPixels444Avx512(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                            size_t count);
void ConvertRow422Avx512(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                         int width);
void ConvertRowPackedAvx512(const uint8_t* packed, uint8_t* out, int width, bool uyvy);
void ConvertRowPair420Avx512(const uint8_t* y0, const uint8_t* y1, const uint8_t* u, const uint8_t* v,
                             uint8_t* out0, uint8_t* out1, int width);
void ConvertRowPairNv12Avx512(const uint8_t* y0, const uint8_t* y1, const uint8_t* uv, uint8_t* out0,
                              uint8_t* out1, int width);
bool CpuHasAvx512();
#endif
