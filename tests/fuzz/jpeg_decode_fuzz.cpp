// Fuzzes the fast JPEG decoder with camera frames as they may arrive: the standard Huffman
// tables put in where a frame leaves them out, and the frame decoded at the size its header
// says, odd widths and up to 4096 pixels a side too, into rows that each end in spare bytes,
// which must stay untouched (as must everything after the last row).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "codec/baseline_jpeg.h"
#include "codec/jpeg_huffman.h"

namespace {
constexpr uint8_t kGuard = 0xA5;
constexpr size_t kSpare = 8;                   // bytes at the end of each row
constexpr int kLargestSide = 4096;
constexpr size_t kLargestPicture = 1u << 20;  // pixels: larger frames cost too much time here
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> frame(data, data + size);
    if (!HasHuffmanTables(frame.data(), frame.size())) {
        std::vector<uint8_t> mended = WithStandardHuffmanTables(frame.data(), frame.size());
        if (!mended.empty()) frame = mended;
    }
    int width = 0, height = 0;
    if (ReadJpegSize(frame.data(), frame.size(), &width, &height) != JpegResult::Ok) return 0;
    if (width > kLargestSide || height > kLargestSide || size_t(width) * size_t(height) > kLargestPicture) return 0;
    const size_t rowBytes = static_cast<size_t>(width) * 2, stride = rowBytes + kSpare;
    std::vector<uint8_t> out(stride * height + 16, kGuard);
    JpegScratch scratch;
    DecodeJpegToYuy2(frame.data(), frame.size(), width, height, out.data(), stride, &scratch);
    for (int row = 0; row < height; ++row)
        for (size_t i = row * stride + rowBytes; i < (row + 1) * stride; ++i)
            if (out[i] != kGuard) __builtin_trap();
    for (size_t i = stride * height; i < out.size(); ++i)
        if (out[i] != kGuard) __builtin_trap();
    return 0;
}
