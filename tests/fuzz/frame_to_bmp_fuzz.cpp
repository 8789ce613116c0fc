// Fuzzes the whole path from a camera frame to a BMP file in memory: layout, width, height and
// the frame's bytes all come from the input, and the frame is exactly as long as what is left.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "snapshot/bmp_image.h"
#include "snapshot/frame_conversion.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    auto layout = static_cast<FrameLayout>(data[0] % kFrameLayoutCount);
    int width = (data[1] | data[2] << 8) % 300 - 2;   // a few sizes below 1 too
    int height = (data[3] | data[4] << 8) % 300 - 2;
    const uint8_t* frame = data + 5;
    size_t frameBytes = size - 5;

    size_t pixels = width > 0 && height > 0 ? static_cast<size_t>(width) * height : 0;
    std::vector<uint8_t> out(pixels * 4);
    if (!ConvertFrameToRgb32(layout, frame, frameBytes, width, height, out.data(), out.size()))
        return 0;
    std::vector<uint8_t> bmp = EncodeBmp32(width, height, out.data());
    if (bmp.size() != kBmpHeaderBytes + out.size()) __builtin_trap();
    return 0;
}
