// Planar YUV to 32-bit RGB: three full-resolution 8-bit planes to pixels stored as blue, green,
// red, 0, bit for bit by the BT.601 studio-range fixed-point arithmetic. Portable: no Windows
// header. The fastest kernel the processor has is chosen at the first call.
#pragma once
#include <cstddef>
#include <cstdint>

// Converts width x height pixels, the planes and the output read and written as one continuous
// run (rows follow each other without padding). Any width and height; nothing happens for a
// width or height below 1.
void ConvertYuvToRgb32(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                       int width, int height);

// The kernels the conversion can use, for tests and benchmarks to compare.
enum class YuvKernel { Scalar, Sse2, Avx2, Avx512 };
bool YuvKernelAvailable(YuvKernel kernel);
YuvKernel FastestYuvKernel();
void ConvertYuvToRgb32With(YuvKernel kernel, const uint8_t* y, const uint8_t* u, const uint8_t* v,
                           uint8_t* out, size_t count);
