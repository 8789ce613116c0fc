// The reference kernels: plain C++ for any processor, bit for bit what the vector kernels give.
#include <cmath>
#include <cstring>

#include "jpeg_decoder_kernels.h"

namespace {

// Rounded to the nearest (ties to even) as the vector conversion rounds, and out of the 32-bit
// range taken as its smallest value, as that conversion answers.
int32_t RoundLikeVector(float value) {
    if (!(value > -2147483648.0f && value < 2147483648.0f))
        return INT32_MIN;
    float rounded = std::nearbyint(value);
    return static_cast<int32_t>(rounded);
}

}  // namespace

void InverseBlockScalar(int16_t* coefficients, const InverseQuant& quant, uint8_t* out,
                        size_t stride) {
    float w[64];  // transposed: w[column * 8 + row]
    for (int i = 0; i < 64; ++i)
        w[i] = coefficients[i] * quant.multipliers[i];
    std::memset(coefficients, 0, 64 * sizeof(int16_t));
    // Along each row of coefficients: w[x * 8 + row] becomes the row's value at column x.
    for (int row = 0; row < 8; ++row) {
        float* p = w + row;
        InverseDct8(p[0], p[8], p[16], p[24], p[32], p[40], p[48], p[56], kIdctSqrt2, kIdctC2x2,
                    kIdctC2MinusC6, kIdctC2PlusC6);
    }
    // Down each column: w[x * 8 + y] becomes the sample at row y, column x.
    for (int x = 0; x < 8; ++x) {
        float* p = w + x * 8;
        InverseDct8(p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], kIdctSqrt2, kIdctC2x2,
                    kIdctC2MinusC6, kIdctC2PlusC6);
    }
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            int32_t sample = RoundLikeVector(w[x * 8 + y] + quant.offset);
            out[y * stride + x] = static_cast<uint8_t>(sample < quant.lowest    ? quant.lowest
                                                       : sample > quant.highest ? quant.highest
                                                                                : sample);
        }
}

void PackRowScalar(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out, int width) {
    for (int x = 0; x < width; x += 2) {
        out[2 * x] = y[x];
        out[2 * x + 1] = u[x / 2];
        out[2 * x + 2] = y[x + 1];
        out[2 * x + 3] = v[x / 2];
    }
}
