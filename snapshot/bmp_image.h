// The 32-bit BMP file layout, built in memory: a 14-byte file header, a 40-byte information
// header, no colour table, then the rows bottom-up, each pixel blue, green, red, 0. Portable:
// no Windows header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kBmpHeaderBytes = 54;

// The whole file for `width` x `height` top-down pixels (width x 4 bytes a row); empty when the
// size is below 1x1 or too large for the format.
std::vector<uint8_t> EncodeBmp32(int width, int height, const uint8_t* topDownPixels);
