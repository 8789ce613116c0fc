// Scaling a 32-bit picture (blue, green, red, unused) for the preview: shrinking by area
// averaging (each output pixel the mean of the source area it covers, so that no column or row
// is lost), growing bilinearly. Each direction on its own: down first, at the source's width,
// then across. Portable: no Windows header; SSE2 where there is SSE2, the pass down in AVX2
// where there is AVX2.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class PictureScaler {
public:
    // Scales `source` (width x height, `sourceStride` bytes a row, top row first) into `out`
    // (outWidth x outHeight, `outStride` bytes a row, top row first when `topDown`, else bottom
    // row first). Sizes below 1 leave `out` as it is.
    void Scale(const uint8_t* source, int width, int height, size_t sourceStride, uint8_t* out, int outWidth,
               int outHeight, size_t outStride, bool topDown);
    // The two directions apart, so that a frame can shrink down in its own layout (each byte
    // a sample, `rowBytes` a row: any layout whose samples lie in rows) before it is converted.
    // Down: rows to `outRows`, top row first both.
    void Down(const uint8_t* source, size_t rowBytes, int rows, size_t sourceStride, uint8_t* out, int outRows,
              size_t outStride);
    // Across: 32-bit pixels, width to `outWidth`, each row on its own.
    void Across(const uint8_t* source, int width, int rows, size_t sourceStride, uint8_t* out, int outWidth,
                size_t outStride, bool topDown);

private:
    // For one direction: each output position's source positions and their weights (seven
    // bits, summing to 128), from `from` positions to `to`.
    struct Axis {
        int from = 0, to = 0;
        std::vector<uint32_t> first;   // per output position: its first tap; one more at the end
        std::vector<int32_t> index;    // source position of each tap
        std::vector<uint16_t> weight;  // its weight
    };
    static void Plan(Axis* axis, int from, int to);

    Axis m_across, m_down;
    std::vector<uint16_t> m_column;  // one output row's sums down
    std::vector<uint8_t> m_rows;     // Scale's rows scaled down, before across
};
