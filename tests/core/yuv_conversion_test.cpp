// The YUV to RGB conversion, bit for bit: reference values, the vector kernels against the
// scalar reference on every input, sizes that do not divide evenly, the frame layouts, and the
// BMP layout.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "snapshot/bmp_image.h"
#include "snapshot/frame_conversion.h"
#include "snapshot/yuv_to_rgb.h"

namespace {

struct Bgr {
    int b, g, r;
};

Bgr ConvertOne(uint8_t y, uint8_t u, uint8_t v) {
    uint8_t out[4] = {1, 1, 1, 1};
    ConvertYuvToRgb32(&y, &u, &v, out, 1, 1);
    EXPECT_EQ(out[3], 0);
    return {out[0], out[1], out[2]};
}

TEST(YuvToRgb, ReferenceValues) {
    struct Case {
        uint8_t y, u, v;
        Bgr expected;
    };
    const Case cases[] = {
        {16, 128, 128, {0, 0, 0}},       {235, 128, 128, {254, 254, 254}},
        {255, 128, 128, {255, 255, 255}}, {128, 128, 128, {130, 130, 130}},
        {81, 90, 240, {0, 0, 253}},      {145, 54, 34, {0, 254, 0}},
        {41, 240, 110, {255, 0, 0}},     {0, 0, 0, {0, 154, 0}},
        {255, 255, 255, {255, 124, 255}}, {128, 127, 128, {127, 130, 130}},
    };
    for (const Case& c : cases) {
        Bgr got = ConvertOne(c.y, c.u, c.v);
        EXPECT_EQ(got.b, c.expected.b) << int(c.y) << "," << int(c.u) << "," << int(c.v);
        EXPECT_EQ(got.g, c.expected.g) << int(c.y) << "," << int(c.u) << "," << int(c.v);
        EXPECT_EQ(got.r, c.expected.r) << int(c.y) << "," << int(c.u) << "," << int(c.v);
    }
}

TEST(YuvToRgb, VectorKernelsEqualTheScalarReferenceOnEveryInput) {
    const size_t n = size_t(1) << 24;
    std::vector<uint8_t> y(n), u(n), v(n);
    for (size_t i = 0; i < n; ++i) {
        y[i] = static_cast<uint8_t>(i);
        u[i] = static_cast<uint8_t>(i >> 8);
        v[i] = static_cast<uint8_t>(i >> 16);
    }
    std::vector<uint8_t> reference(n * 4), vector(n * 4);
    ConvertYuvToRgb32With(YuvKernel::Scalar, y.data(), u.data(), v.data(), reference.data(), n);
    for (YuvKernel kernel : {YuvKernel::Sse2, YuvKernel::Avx2, YuvKernel::Avx512}) {
        if (!YuvKernelAvailable(kernel)) continue;
        std::fill(vector.begin(), vector.end(), 0xEE);
        ConvertYuvToRgb32With(kernel, y.data(), u.data(), v.data(), vector.data(), n);
        ASSERT_EQ(std::memcmp(vector.data(), reference.data(), vector.size()), 0)
            << "kernel " << static_cast<int>(kernel);
    }
}

TEST(YuvToRgb, EveryPixelOfRunsThatAreNotAMultipleOfTheVectorWidth) {
    std::mt19937 random(7);
    for (int width : {1, 3, 5, 6, 7, 17, 33, 63}) {
        for (int height : {1, 2, 3}) {
            size_t n = static_cast<size_t>(width) * height;
            std::vector<uint8_t> y(n), u(n), v(n);
            for (size_t i = 0; i < n; ++i) y[i] = random(), u[i] = random(), v[i] = random();
            std::vector<uint8_t> out(n * 4 + 4, 0xEE), reference(n * 4);
            ConvertYuvToRgb32(y.data(), u.data(), v.data(), out.data(), width, height);
            ConvertYuvToRgb32With(YuvKernel::Scalar, y.data(), u.data(), v.data(), reference.data(), n);
            EXPECT_EQ(std::memcmp(out.data(), reference.data(), n * 4), 0) << width << "x" << height;
            EXPECT_EQ(out[n * 4], 0xEE);  // nothing past the end
        }
    }
}

std::vector<uint8_t> RandomFrame(FrameLayout layout, int width, int height, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> frame(RequiredFrameBytes(layout, width, height));
    for (auto& b : frame) b = static_cast<uint8_t>(random());
    return frame;
}

TEST(FrameConversion, EveryKernelEqualsExpansionThenScalarConversionForEveryLayoutAndSize) {
    for (FrameLayout layout : {FrameLayout::Yv12, FrameLayout::I420, FrameLayout::Yuy2,
                               FrameLayout::Uyvy, FrameLayout::Nv12}) {
        for (auto size : {std::pair{1, 1}, {2, 2}, {3, 3}, {5, 7}, {6, 4}, {17, 9}, {66, 34},
                          {98, 35}, {640, 480}}) {
            auto [w, h] = size;
            auto frame = RandomFrame(layout, w, h, w * 131 + h);
            size_t n = static_cast<size_t>(w) * h;
            std::vector<uint8_t> y(n), u(n), v(n), expected(n * 4), fused(n * 4 + 4);
            ASSERT_TRUE(ExpandChroma(layout, frame.data(), frame.size(), w, h, y.data(), u.data(), v.data()));
            ConvertYuvToRgb32With(YuvKernel::Scalar, y.data(), u.data(), v.data(), expected.data(), n);
            for (YuvKernel kernel : {YuvKernel::Scalar, YuvKernel::Sse2, YuvKernel::Avx2, YuvKernel::Avx512}) {
                if (!YuvKernelAvailable(kernel)) continue;
                std::fill(fused.begin(), fused.end(), 0xEE);
                ASSERT_TRUE(ConvertFrameToRgb32With(kernel, layout, frame.data(), frame.size(), w, h,
                                                    fused.data(), n * 4));
                EXPECT_EQ(std::vector<uint8_t>(fused.begin(), fused.begin() + n * 4), expected)
                    << static_cast<int>(layout) << " " << w << "x" << h << " kernel " << static_cast<int>(kernel);
                EXPECT_EQ(fused[n * 4], 0xEE);  // nothing past the end
            }
        }
    }
}

TEST(FrameConversion, ChromaIsRepeatedOverTheLayoutsPixels) {
    // 4x2 YUY2: each pair shares its U and V.
    const uint8_t yuy2[] = {10, 20, 11, 30, 12, 40, 13, 50, 14, 60, 15, 70, 16, 80, 17, 90};
    std::vector<uint8_t> y(8), u(8), v(8);
    ASSERT_TRUE(ExpandChroma(FrameLayout::Yuy2, yuy2, sizeof(yuy2), 4, 2, y.data(), u.data(), v.data()));
    EXPECT_EQ(y, (std::vector<uint8_t>{10, 11, 12, 13, 14, 15, 16, 17}));
    EXPECT_EQ(u, (std::vector<uint8_t>{20, 20, 40, 40, 60, 60, 80, 80}));
    EXPECT_EQ(v, (std::vector<uint8_t>{30, 30, 50, 50, 70, 70, 90, 90}));
    // The same pixels as UYVY.
    const uint8_t uyvy[] = {20, 10, 30, 11, 40, 12, 50, 13, 60, 14, 70, 15, 80, 16, 90, 17};
    std::vector<uint8_t> y2(8), u2(8), v2(8);
    ASSERT_TRUE(ExpandChroma(FrameLayout::Uyvy, uyvy, sizeof(uyvy), 4, 2, y2.data(), u2.data(), v2.data()));
    EXPECT_EQ(y2, y);
    EXPECT_EQ(u2, u);
    EXPECT_EQ(v2, v);
    // 4x2 I420: Y plane, then U (2x1), then V (2x1); each chroma sample covers 2x2 pixels.
    const uint8_t i420[] = {1, 2, 3, 4, 5, 6, 7, 8, 100, 101, 200, 201};
    ASSERT_TRUE(ExpandChroma(FrameLayout::I420, i420, sizeof(i420), 4, 2, y.data(), u.data(), v.data()));
    EXPECT_EQ(u, (std::vector<uint8_t>{100, 100, 101, 101, 100, 100, 101, 101}));
    EXPECT_EQ(v, (std::vector<uint8_t>{200, 200, 201, 201, 200, 200, 201, 201}));
    // The same picture as NV12: the Y plane, then U V pairs.
    const uint8_t nv12[] = {1, 2, 3, 4, 5, 6, 7, 8, 100, 200, 101, 201};
    std::vector<uint8_t> y3(8), u3(8), v3(8);
    ASSERT_TRUE(ExpandChroma(FrameLayout::Nv12, nv12, sizeof(nv12), 4, 2, y3.data(), u3.data(), v3.data()));
    EXPECT_EQ(u3, u);
    EXPECT_EQ(v3, v);
}

TEST(FrameConversion, RgbFramesAreTakenAsTheyAreInTheirRowOrder) {
    // 3x2 pixels numbered p = row * 3 + x; pixel p is blue 10p, green 10p + 1, red 10p + 2.
    struct Case {
        FrameLayout layout;
        std::vector<uint8_t> frame;
    };
    auto pixel = [](int p, int bytes) {
        std::vector<uint8_t> v{uint8_t(10 * p), uint8_t(10 * p + 1), uint8_t(10 * p + 2)};
        if (bytes == 4) v.push_back(0xAA);  // whatever the fourth byte holds
        return v;
    };
    auto frame = [&](int bytes, bool topDown) {
        std::vector<uint8_t> f;
        for (int r = 0; r < 2; ++r) {
            int row = topDown ? r : 1 - r;
            for (int x = 0; x < 3; ++x) {
                auto p = pixel(row * 3 + x, bytes);
                f.insert(f.end(), p.begin(), p.end());
            }
            while (f.size() % 4) f.push_back(0x55);  // row padding
        }
        return f;
    };
    const Case cases[] = {{FrameLayout::Rgb24, frame(3, false)},
                          {FrameLayout::Rgb24TopDown, frame(3, true)},
                          {FrameLayout::Rgb32, frame(4, false)},
                          {FrameLayout::Rgb32TopDown, frame(4, true)}};
    std::vector<uint8_t> expected;
    for (int p = 0; p < 6; ++p) {
        auto v = pixel(p, 3);
        expected.insert(expected.end(), v.begin(), v.end());
        expected.push_back(0);
    }
    for (const Case& c : cases) {
        EXPECT_EQ(RequiredFrameBytes(c.layout, 3, 2), c.frame.size());
        std::vector<uint8_t> out(6 * 4 + 1, 0xEE);
        ASSERT_TRUE(ConvertFrameToRgb32(c.layout, c.frame.data(), c.frame.size(), 3, 2, out.data(), 24));
        EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 24), expected) << static_cast<int>(c.layout);
        EXPECT_EQ(out[24], 0xEE);
        EXPECT_FALSE(ConvertFrameToRgb32(c.layout, c.frame.data(), c.frame.size() - 1, 3, 2, out.data(), 24));
        EXPECT_FALSE(ExpandChroma(c.layout, c.frame.data(), c.frame.size(), 3, 2, out.data(), out.data(), out.data()));
    }
}

TEST(FrameConversion, I420AndTheSamePictureInYv12GiveTheSamePixels) {
    const int w = 64, h = 48;
    auto i420 = RandomFrame(FrameLayout::I420, w, h, 99);
    std::vector<uint8_t> yv12(i420);
    size_t luma = w * h, chroma = luma / 4;
    std::memcpy(yv12.data() + luma, i420.data() + luma + chroma, chroma);  // V first
    std::memcpy(yv12.data() + luma + chroma, i420.data() + luma, chroma);
    std::vector<uint8_t> a(luma * 4), b(luma * 4);
    ASSERT_TRUE(ConvertFrameToRgb32(FrameLayout::I420, i420.data(), i420.size(), w, h, a.data(), a.size()));
    ASSERT_TRUE(ConvertFrameToRgb32(FrameLayout::Yv12, yv12.data(), yv12.size(), w, h, b.data(), b.size()));
    EXPECT_EQ(a, b);
}

TEST(FrameConversion, TooFewBytesOrTooSmallAnOutputAreRefused) {
    auto frame = RandomFrame(FrameLayout::Yuy2, 640, 480, 1);
    std::vector<uint8_t> out(640 * 480 * 4, 0xEE);
    EXPECT_FALSE(ConvertFrameToRgb32(FrameLayout::Yuy2, frame.data(), frame.size() - 1, 640, 480, out.data(), out.size()));
    EXPECT_FALSE(ConvertFrameToRgb32(FrameLayout::Yuy2, frame.data(), frame.size(), 640, 480, out.data(), out.size() - 1));
    EXPECT_FALSE(ConvertFrameToRgb32(FrameLayout::Yuy2, frame.data(), frame.size(), 0, 480, out.data(), out.size()));
    EXPECT_FALSE(ConvertFrameToRgb32(FrameLayout::Yuy2, frame.data(), frame.size(), 640, -1, out.data(), out.size()));
    EXPECT_EQ(out[0], 0xEE);
    EXPECT_EQ(RequiredFrameBytes(FrameLayout::Yv12, 640, 480), 460800u);
    EXPECT_EQ(RequiredFrameBytes(FrameLayout::Uyvy, 640, 480), 614400u);
    EXPECT_EQ(RequiredFrameBytes(FrameLayout::I420, 5, 3), 15u + 2 * 2 * 1);
}

TEST(BmpImage, LayoutOfA640By480File) {
    std::vector<uint8_t> pixels(640 * 480 * 4);
    for (size_t i = 0; i < pixels.size(); i += 4) {
        size_t row = i / (640 * 4);
        pixels[i] = static_cast<uint8_t>(row), pixels[i + 1] = 7, pixels[i + 2] = 9, pixels[i + 3] = 0;
    }
    pixels[0] = 0xAB;  // top-left
    auto file = EncodeBmp32(640, 480, pixels.data());
    ASSERT_EQ(file.size(), 1228854u);
    auto u16 = [&](size_t at) { return file[at] | file[at + 1] << 8; };
    auto u32 = [&](size_t at) { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; };
    EXPECT_EQ(u16(0), 0x4D42);
    EXPECT_EQ(u32(2), 1228854u);
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(14), 40u);
    EXPECT_EQ(u32(18), 640u);
    EXPECT_EQ(u32(22), 480u);
    EXPECT_EQ(u16(26), 1);
    EXPECT_EQ(u16(28), 32);
    EXPECT_EQ(u32(30), 0u);
    EXPECT_EQ(u32(34), 640u * 480 * 4);
    EXPECT_EQ(file[54], uint8_t(479));               // the first stored row is the bottom one
    EXPECT_EQ(file[54 + 479 * 640 * 4], 0xAB);      // the top row comes last
    for (size_t i = 54 + 3; i < file.size(); i += 4) ASSERT_EQ(file[i], 0);
    EXPECT_TRUE(EncodeBmp32(0, 480, pixels.data()).empty());
}

}  // namespace
