// The arithmetic of moving one video frame from the grabber's input buffer to a renderer
// buffer whose rows may be wider. Portable: no Windows header.
//
// Sizes follow the layout: bytes per pixel code 2 for the packed 4:2:2 layouts (YUY2, UYVY),
// 3 and 4 for RGB24 and RGB32 (whose rows, as bitmap rows, are padded to whole 4-byte words),
// 1 for the 12-bit planar layouts (YV12, I420, NV12), whose Y plane is followed by two chroma
// planes of half width and half height (NV12: one plane of pairs).
// Every copy stays within the byte counts it is given.
#pragma once
#include <cstddef>
#include <cstdint>

// Bytes of a frame: 1.5 x width x height (truncated) for code 1, else the padded row's bytes x
// height. Negative or overflowing inputs give 0.
size_t FrameBytes(int bytesPerPixelCode, int width, int height);

struct FrameGeometry {
    int bytesPerPixelCode;
    int width;      // pixels per source row
    int height;     // rows of the source
    int outWidth;   // pixels per destination row (the pitch the renderer asked for)
    int outHeight;  // rows of the destination
    bool interleavedChroma = false;  // code 1: NV12's one plane of U V pairs, not two planes
};

// Copies the frame; returns the bytes copied. With equal widths one block of FrameBytes
// (bounded by both buffers); otherwise row by row, and for the planar layouts plane by plane
// with each plane's own pitch. Rows that would not fit either buffer are not copied.
size_t CopyFrame(const FrameGeometry& geometry, const uint8_t* source, size_t sourceBytes,
                 uint8_t* destination, size_t destinationBytes);
