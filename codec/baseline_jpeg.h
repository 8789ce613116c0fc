// A fast decoder for the JPEG frames cameras send: baseline (or extended 8-bit) Huffman coding,
// one interleaved scan, one component or three (Y, Cb and Cr: RGB frames are no camera frames)
// whose luma is sampled 1x1, 2x1 or 2x2 against single-sampled chroma, restart intervals. The
// picture comes out as YUY2 in the studio range of BT.601 (16-235 luma, 16-240 chroma), the
// range the program's conversions take: the JPEG's full-range values are scaled in the
// dequantisation, so that this costs nothing. Huffman tables 0 and 1 a frame uses without
// defining them are the standard ones. Anything else is left to another decoder. Portable: no
// Windows header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum class JpegResult { Ok, Unsupported, Damaged };

// The state kept between frames, so that decoding allocates nothing once warm.
struct JpegScratch {
    std::vector<uint8_t> planes;  // one row of MCUs of Y, Cb and Cr samples
};

// Reads the frame's size; Unsupported for a JPEG this decoder leaves to another.
JpegResult ReadJpegSize(const uint8_t* jpeg, size_t size, int* width, int* height);

// Decodes a frame of width x height into YUY2 rows of `stride` bytes (at least width x 2,
// width even). A frame cut short or damaged leaves the rows after its last whole row of blocks
// grey and is Damaged, as is one whose scan does not name each of its components once, and one
// whose data goes on more than a few bytes past its last block (damage that ended the blocks
// early); nothing is ever read or written outside the buffers given.
JpegResult DecodeJpegToYuy2(const uint8_t* jpeg, size_t size, int width, int height, uint8_t* out,
                            size_t stride, JpegScratch* scratch);
