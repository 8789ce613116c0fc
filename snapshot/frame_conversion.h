// From a camera frame to 32-bit top-down pixels. Portable: no Windows header.
//
// YUV layouts (rows without padding): YV12 and I420 are a Y plane of width x height followed by
// two chroma planes of (width / 2) x (height / 2), V then U for YV12, U then V for I420; NV12 is
// the Y plane followed by one plane of (width / 2) x (height / 2) U V pairs; YUY2 and UYVY hold
// two bytes per pixel, each pixel pair as Y0 U Y1 V or U Y0 V Y1. Chroma is repeated over the
// pixels it covers, without interpolation. Sizes that do not divide evenly are converted whole:
// pixels past the last chroma column or row take the last one there is, and with no chroma at
// all (a width or height of 1 in the planar layouts) chroma is neutral.
//
// RGB layouts are device-independent bitmaps: blue, green, red (and a fourth byte), rows padded
// to four bytes, the bottom row first unless the layout says top-down. Their pixels are taken
// as they are.
#pragma once
#include <cstddef>
#include <cstdint>

#include "yuv_to_rgb.h"

// The layout codes of the capture engine: 0 YV12, 1 I420, 2 YUY2, 3 UYVY, 4 NV12, 5 RGB24,
// 6 RGB32, 7 RGB24 top-down, 8 RGB32 top-down.
enum class FrameLayout {
    Yv12 = 0,
    I420 = 1,
    Yuy2 = 2,
    Uyvy = 3,
    Nv12 = 4,
    Rgb24 = 5,
    Rgb32 = 6,
    Rgb24TopDown = 7,
    Rgb32TopDown = 8,
};
constexpr int kFrameLayoutCount = 9;
// True for the codes above.
bool IsFrameLayout(int code);
bool IsRgbLayout(FrameLayout layout);

// The bytes a frame of this layout and size needs; 0 for a size below 1x1 or too large.
size_t RequiredFrameBytes(FrameLayout layout, int width, int height);

// Spreads the frame's chroma to full resolution: Y, U and V planes of width x height bytes
// each. False when `frameBytes` is too small for the size, and for the RGB layouts.
bool ExpandChroma(FrameLayout layout, const uint8_t* frame, size_t frameBytes, int width,
                  int height, uint8_t* y, uint8_t* u, uint8_t* v);

// The same pixels as ExpandChroma followed by ConvertYuvToRgb32, without the full-size planes:
// width x height pixels into `out` (width x 4 bytes a row). False, with nothing written, when
// the frame or the output is too small for the size.
bool ConvertFrameToRgb32(FrameLayout layout, const uint8_t* frame, size_t frameBytes, int width,
                         int height, uint8_t* out, size_t outBytes);
// The same with the given set of kernels, for tests and benchmarks to compare.
bool ConvertFrameToRgb32With(YuvKernel kernel, FrameLayout layout, const uint8_t* frame,
                             size_t frameBytes, int width, int height, uint8_t* out,
                             size_t outBytes);
