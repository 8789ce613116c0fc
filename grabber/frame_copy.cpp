// Frame copy arithmetic.
#include "frame_copy.h"

#include <algorithm>
#include <cstring>

namespace {

// Bytes of a packed row: RGB24 rows are padded to whole 4-byte words, as bitmap rows are.
uint64_t PackedRowBytes(int bytesPerPixelCode, uint64_t width) {
    uint64_t bytes = width * static_cast<uint64_t>(bytesPerPixelCode);
    return bytesPerPixelCode == 3 ? (bytes + 3) / 4 * 4 : bytes;
}

}  // namespace

size_t FrameBytes(int bytesPerPixelCode, int width, int height) {
    if (bytesPerPixelCode <= 0 || width <= 0 || height <= 0) return 0;
    uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    uint64_t bytes = bytesPerPixelCode == 1 ? pixels * 3 / 2
                                            : PackedRowBytes(bytesPerPixelCode, static_cast<uint64_t>(width)) * height;
    if (bytes > SIZE_MAX / 2) return 0;
    return static_cast<size_t>(bytes);
}

namespace {

struct Plane {
    size_t sourceOffset;
    size_t destinationOffset;
    size_t rowBytes;           // bytes copied per row
    size_t sourcePitch;
    size_t destinationPitch;
    int rows;
};

size_t CopyPlane(const Plane& p, const uint8_t* source, size_t sourceBytes, uint8_t* destination,
                 size_t destinationBytes) {
    size_t copied = 0;
    for (int row = 0; row < p.rows; ++row) {
        size_t from = p.sourceOffset + static_cast<size_t>(row) * p.sourcePitch;
        size_t to = p.destinationOffset + static_cast<size_t>(row) * p.destinationPitch;
        if (from > sourceBytes || sourceBytes - from < p.rowBytes) break;
        if (to > destinationBytes || destinationBytes - to < p.rowBytes) break;
        std::memcpy(destination + to, source + from, p.rowBytes);
        copied += p.rowBytes;
    }
    return copied;
}

}  // namespace

size_t CopyFrame(const FrameGeometry& g, const uint8_t* source, size_t sourceBytes,
                 uint8_t* destination, size_t destinationBytes) {
    if (!source || !destination || g.width <= 0 || g.height <= 0 || g.outWidth <= 0 ||
        g.outHeight <= 0 || g.bytesPerPixelCode <= 0)
        return 0;

    if (g.width == g.outWidth) {
        size_t bytes = std::min({FrameBytes(g.bytesPerPixelCode, g.width, g.height), sourceBytes,
                                 destinationBytes});
        std::memcpy(destination, source, bytes);
        return bytes;
    }

    size_t width = static_cast<size_t>(g.width);
    size_t outWidth = static_cast<size_t>(g.outWidth);
    size_t narrower = std::min(width, outWidth);
    if (g.bytesPerPixelCode != 1) {
        size_t factor = static_cast<size_t>(g.bytesPerPixelCode);
        Plane packed{0, 0, factor * narrower, static_cast<size_t>(PackedRowBytes(g.bytesPerPixelCode, width)),
                     static_cast<size_t>(PackedRowBytes(g.bytesPerPixelCode, outWidth)), g.height};
        return CopyPlane(packed, source, sourceBytes, destination, destinationBytes);
    }

    // Planar 4:2:0: the Y plane, then two chroma planes of half width and half height.
    size_t height = static_cast<size_t>(g.height);
    size_t outHeight = static_cast<size_t>(g.outHeight);
    int rows = static_cast<int>(std::min(height, outHeight));
    size_t copied = CopyPlane(Plane{0, 0, narrower, width, outWidth, rows}, source, sourceBytes,
                              destination, destinationBytes);
    size_t chromaRows = std::min(height / 2, outHeight / 2);
    if (g.interleavedChroma) {
        Plane pairs{width * height, outWidth * outHeight, narrower / 2 * 2, width / 2 * 2, outWidth / 2 * 2,
                    static_cast<int>(chromaRows)};
        return copied + CopyPlane(pairs, source, sourceBytes, destination, destinationBytes);
    }
    size_t sourceChroma = (width / 2) * (height / 2);
    size_t destinationChroma = (outWidth / 2) * (outHeight / 2);
    for (size_t k = 0; k < 2; ++k) {
        Plane chroma{width * height + k * sourceChroma, outWidth * outHeight + k * destinationChroma,
                     narrower / 2, width / 2, outWidth / 2, static_cast<int>(chromaRows)};
        copied += CopyPlane(chroma, source, sourceBytes, destination, destinationBytes);
    }
    return copied;
}
