// Fuzzes the fast JPEG decoder with camera frames as they may arrive: the standard Huffman
// tables put in where a frame leaves them out, and the frame decoded at the size its header
// says (when that is small) into rows with room to spare, which must stay untouched.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "decoder/baseline_jpeg.h"
#include "decoder/jpeg_huffman.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> frame(data, data + size);
    if (!HasHuffmanTables(frame.data(), frame.size())) {
        std::vector<uint8_t> mended = WithStandardHuffmanTables(frame.data(), frame.size());
        if (!mended.empty()) frame = mended;
    }
    int width = 0, height = 0;
    if (ReadJpegSize(frame.data(), frame.size(), &width, &height) != JpegResult::Ok) return 0;
    if (width % 2 || width > 512 || height > 512) return 0;
    size_t stride = static_cast<size_t>(width) * 2 + 8;
    std::vector<uint8_t> out(stride * height + 16, 0xA5);
    JpegScratch scratch;
    DecodeJpegToYuy2(frame.data(), frame.size(), width, height, out.data(), stride, &scratch);
    for (size_t i = stride * height; i < out.size(); ++i)
        if (out[i] != 0xA5) __builtin_trap();
    return 0;
}
