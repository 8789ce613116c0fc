// The reference arithmetic: per pixel y = max(Y - 16, 0) x 8, u = (U - 128) x 8,
// v = (V - 128) x 8; terms are the upper 16 bits of signed products with the coefficient words;
// B = clamp(sat16(yT + bT)), G = clamp(sat16(yT + sat16(gU + gV))), R = clamp(sat16(yT + rT)).
#include "yuv_kernels.h"

namespace {

constexpr int kLumaGain = 9535;
constexpr int kUToBlue = 16531;
constexpr int kVToRed = 13074;
constexpr int kUToGreen = -3203;
constexpr int kVToGreen = -6660;

int MulHi(int a, int c) {
    int product = a * c;
    return product >= 0 ? product / 65536 : -((-product + 65535) / 65536);  // floor
}

int Sat16(int v) { return v < -32768 ? -32768 : v > 32767 ? 32767 : v; }

uint8_t Clamp8(int v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

struct ChromaTerms {
    int blue, green, red;
};

ChromaTerms Chroma(uint8_t U, uint8_t V) {
    int u = (U - 128) * 8, v = (V - 128) * 8;
    return {MulHi(u, kUToBlue), Sat16(MulHi(u, kUToGreen) + MulHi(v, kVToGreen)), MulHi(v, kVToRed)};
}

void Pixel(uint8_t Y, const ChromaTerms& c, uint8_t* out) {
    int luma = MulHi((Y > 16 ? Y - 16 : 0) * 8, kLumaGain);
    out[0] = Clamp8(Sat16(luma + c.blue));
    out[1] = Clamp8(Sat16(luma + c.green));
    out[2] = Clamp8(Sat16(luma + c.red));
    out[3] = 0;
}

}  // namespace

void ConvertPixels444Scalar(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                            size_t count) {
    for (size_t i = 0; i < count; ++i) Pixel(y[i], Chroma(u[i], v[i]), out + 4 * i);
}

void ConvertRow422Scalar(const uint8_t* y, const uint8_t* u, const uint8_t* v, uint8_t* out,
                         int width) {
    for (int x = 0; x < width; ++x) Pixel(y[x], Chroma(u[x / 2], v[x / 2]), out + 4 * x);
}

void ConvertRowPackedScalar(const uint8_t* packed, uint8_t* out, int width, bool uyvy) {
    for (int x = 0; x + 1 < width; x += 2, packed += 4, out += 8) {
        ChromaTerms c = uyvy ? Chroma(packed[0], packed[2]) : Chroma(packed[1], packed[3]);
        Pixel(uyvy ? packed[1] : packed[0], c, out);
        Pixel(uyvy ? packed[3] : packed[2], c, out + 4);
    }
}

void ConvertRowPairNv12Scalar(const uint8_t* y0, const uint8_t* y1, const uint8_t* uv, uint8_t* out0,
                              uint8_t* out1, int width) {
    for (int x = 0; x < width; ++x) {
        ChromaTerms c = Chroma(uv[x / 2 * 2], uv[x / 2 * 2 + 1]);
        Pixel(y0[x], c, out0 + 4 * x);
        Pixel(y1[x], c, out1 + 4 * x);
    }
}
