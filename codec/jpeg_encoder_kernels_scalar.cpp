// The reference forward DCT and quantisation, one block at a time; the vector kernels give the
// same coefficients.
#include "jpeg_encoder_kernels.h"

#include <cmath>

// Transposed: column * 8 + row of the natural (row-major) zigzag order.
const uint8_t kZigzagTransposed[64] = {
    0,  8,  1,  2,  9,  16, 24, 17, 10, 3,  4,  11, 18, 25, 32, 40, 33, 26, 19, 12, 5,  6,
    13, 20, 27, 34, 41, 48, 56, 49, 42, 35, 28, 21, 14, 7,  15, 22, 29, 36, 43, 50, 57, 58,
    51, 44, 37, 30, 23, 31, 38, 45, 52, 59, 60, 53, 46, 39, 47, 54, 61, 62, 55, 63};

void ForwardBlocksScalar(const uint8_t* rows, size_t stride, int count, const ForwardQuant& quant,
                         int16_t* bits, uint8_t* sizes, uint64_t* masks) {
    for (int b = 0; b < count; ++b, bits += 64, sizes += 64) {
        float w[64];  // row * 8 + column
        for (int row = 0; row < 8; ++row)
            for (int col = 0; col < 8; ++col)
                w[row * 8 + col] = rows[row * stride + b * 8 + col];
        for (int col = 0; col < 8; ++col) {  // down the columns, as the kernels' first pass
            float* x = w + col;
            WEBCAM_FORWARD_DCT8(float, x[0], x[8], x[16], x[24], x[32], x[40], x[48], x[56],
                                kDct0707, kDct0382, kDct0541, kDct1306);
        }
        for (int row = 0; row < 8; ++row) {  // then along each row of vertical frequencies
            float* x = w + row * 8;
            WEBCAM_FORWARD_DCT8(float, x[0], x[1], x[2], x[3], x[4], x[5], x[6], x[7], kDct0707,
                                kDct0382, kDct0541, kDct1306);
        }
        int16_t transposed[64];
        for (int i = 0; i < 64; ++i) {
            int at = (i % 8) * 8 + i / 8;
            float scaled = w[i] * quant.multipliers[at];
            if (at == 0)
                scaled = scaled + quant.dcOffset;
            long value = std::lrintf(scaled);
            value = value < -kMaxCoefficient  ? -kMaxCoefficient
                    : value > kMaxCoefficient ? kMaxCoefficient
                                              : value;
            transposed[at] = static_cast<int16_t>(value);
        }
        int16_t zigzag[64];
        uint64_t mask = 0;
        for (int k = 0; k < 64; ++k) {
            zigzag[k] = transposed[kZigzagTransposed[k]];
            mask |= static_cast<uint64_t>(k > 0 && zigzag[k] != 0) << k;
        }
        masks[b] = mask;
        CodeNonzero(zigzag, mask, bits, sizes);
    }
}
