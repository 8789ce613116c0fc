// BMP files in memory.
#include "bmp_image.h"

#include <cstring>

namespace {

void Put16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<uint8_t> EncodeBmp32(int width, int height, const uint8_t* topDownPixels) {
    if (width < 1 || height < 1 || !topDownPixels) return {};
    uint64_t rowBytes = static_cast<uint64_t>(width) * 4;
    uint64_t imageBytes = rowBytes * static_cast<uint64_t>(height);
    if (imageBytes > 0xFFFFFFFFull - kBmpHeaderBytes) return {};

    std::vector<uint8_t> file(kBmpHeaderBytes + imageBytes);
    uint8_t* h = file.data();
    Put16(h + 0, 0x4D42);  // "BM"
    Put32(h + 2, static_cast<uint32_t>(kBmpHeaderBytes + imageBytes));
    Put32(h + 10, kBmpHeaderBytes);
    Put32(h + 14, 40);
    Put32(h + 18, static_cast<uint32_t>(width));
    Put32(h + 22, static_cast<uint32_t>(height));  // positive: rows stored bottom-up
    Put16(h + 26, 1);
    Put16(h + 28, 32);
    Put32(h + 34, static_cast<uint32_t>(imageBytes));
    for (int row = 0; row < height; ++row)
        std::memcpy(h + kBmpHeaderBytes + static_cast<size_t>(height - 1 - row) * rowBytes,
                    topDownPixels + static_cast<size_t>(row) * rowBytes, rowBytes);
    return file;
}
