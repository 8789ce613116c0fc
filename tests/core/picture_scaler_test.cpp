// The preview's picture scaling against the exact area average (shrinking) and bilinear
// (growing), at sizes even and odd, in either row order.
#include "preview/picture_scaler.h"
#include "support/scaled_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

std::vector<uint8_t> Picture(int width, int height) {
    std::vector<uint8_t> p(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* q = &p[(static_cast<size_t>(y) * width + x) * 4];
            q[0] = static_cast<uint8_t>(x * 255 / std::max(1, width - 1));
            q[1] = static_cast<uint8_t>((x / 2 + y) % 2 ? 255 : 0);  // columns of two: green, then none
            q[2] = static_cast<uint8_t>((x * 7 + y * 13) % 256);
            q[3] = 0;
        }
    return p;
}

TEST(PictureScaler, ShrinkingIsTheAreaAverageAndGrowingBilinearInEitherRowOrder) {
    struct Case {
        int w, h, ow, oh;
        double tolerance;  // largest difference from the exact result, per channel (weights of 7 bits, bytes between the passes)
    };
    const Case cases[] = {
        {96, 60, 32, 20, 3}, {192, 108, 64, 42, 3},  // 3 : 1, and 3 : 1 by 2.57 : 1
        {33, 17, 10, 7, 3},  {64, 48, 63, 47, 3},    // odd, and just smaller
        {1, 1, 1, 1, 0},     {5, 4, 1, 1, 3},     {1280, 720, 640, 360, 1},  // 2 : 1, the preview's
        {64, 48, 96, 72, 2}, {33, 17, 100, 40, 2}, {1, 1, 7, 3, 0},         // growing
        {64, 48, 100, 20, 3},                                               // one way each
        {192, 108, 32, 18, 3}, {384, 216, 32, 18, 3}, {640, 360, 32, 18, 3},  // 6, 12 and 20 : 1
        {1000, 500, 10, 5, 3},   {3200, 960, 10, 3, 3},                        // 100 and 320 : 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " to " + std::to_string(c.ow) + "x" + std::to_string(c.oh));
        std::vector<uint8_t> p = Picture(c.w, c.h);
        PictureScaler scaler;
        for (bool topDown : {true, false}) {
            const size_t stride = static_cast<size_t>(c.ow) * 4 + 8;  // a renderer's wider rows
            std::vector<uint8_t> out(stride * c.oh, 0xEE);
            scaler.Scale(p.data(), c.w, c.h, static_cast<size_t>(c.w) * 4, out.data(), c.ow, c.oh, stride, topDown);
            std::vector<double> expected = testsupport::ScaledPicture(p.data(), c.w, c.h, c.w * 4, c.ow, c.oh);
            double worst = 0;
            for (int y = 0; y < c.oh; ++y)
                for (int x = 0; x < c.ow; ++x)
                    for (int ch = 0; ch < 4; ++ch) {
                        const uint8_t got = out[static_cast<size_t>(topDown ? y : c.oh - 1 - y) * stride + 4 * x + ch];
                        worst = std::max(worst, std::fabs(got - expected[(static_cast<size_t>(y) * c.ow + x) * 4 + ch]));
                    }
            EXPECT_LE(worst, c.tolerance) << topDown;
            for (int y = 0; y < c.oh; ++y) EXPECT_EQ(out[y * stride + c.ow * 4], 0xEE);  // the row's spare bytes
        }
    }
    // Sizes below 1 are refused, in either pass: the output is left as it is.
    std::vector<uint8_t> p = Picture(4, 2), out(16 * 4 * 8, 0xEE);
    PictureScaler().Scale(p.data(), 4, 2, 16, out.data(), 0, 8, 64, true);
    PictureScaler().Down(p.data(), 16, 2, 16, out.data(), 0, 64);
    PictureScaler().Across(p.data(), 4, 2, 16, out.data(), 0, 64, true);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xEE), static_cast<long>(out.size()));
}

}  // namespace
