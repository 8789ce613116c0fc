// A fast baseline JPEG encoder for camera frames: the frame's own layout read directly, 4:2:2
// for the packed YUV layouts, 4:2:0 for the planar ones and for RGB (converted once to YCbCr),
// libjpeg's quality scaling of the standard quantisation tables and the standard Huffman tables.
// Camera YUV is BT.601 studio range; it is stretched to JPEG's full range inside the
// quantisation, where it costs nothing. Portable: no Windows header; the vector kernels are
// chosen at run time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "snapshot/frame_conversion.h"
#include "snapshot/yuv_to_rgb.h"

// Scratch kept between frames, so that encoding allocates nothing once warm; one per thread.
struct JpegEncoderScratch {
    std::vector<uint8_t> samples;  // one row of MCUs of each component, edges filled
    std::vector<int16_t>
        coefficients;             // that row's blocks, quantised, as the Huffman coding takes them
    std::vector<uint8_t> sizes;   // their magnitude categories
    std::vector<uint64_t> masks;  // each block's nonzero coefficients
    std::vector<uint8_t> tail;    // the last MCUs' bytes when `out` may be too short
    std::vector<int32_t> chromaSums;  // RGB frames: a row of 2x2 chroma sums
};

// Bytes enough for any JPEG of a frame of this size; 0 for a size EncodeJpeg refuses.
size_t JpegEncodedBound(int width, int height);

// Encodes one camera frame of width x height as a baseline JPEG into `out` and returns its
// size: 0, with nothing written past `capacity`, when the frame is shorter than its layout
// needs, a size is out of range (1 to 65535), or `capacity` is too small. `quality` 1 to 100
// scales the tables as libjpeg does.
size_t EncodeJpeg(FrameLayout layout, const uint8_t* frame, size_t frameBytes, int width,
                  int height, int quality, uint8_t* out, size_t capacity,
                  JpegEncoderScratch* scratch);
// The same with the given set of kernels, for tests and benchmarks to compare.
size_t EncodeJpegWith(YuvKernel kernel, FrameLayout layout, const uint8_t* frame, size_t frameBytes,
                      int width, int height, int quality, uint8_t* out, size_t capacity,
                      JpegEncoderScratch* scratch);
