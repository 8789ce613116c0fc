// The JPEG encoder against ffmpeg's decoder and ours: camera-like frames of every layout, at an
// aligned size and odd ones, come back as their picture within libjpeg's error at the same
// quality; every kernel codes the same bytes; a short frame or output gives 0 and nothing
// written past the output.
#include "codec/jpeg_encoder.h"

#include <gtest/gtest.h>

#include "codec/baseline_jpeg.h"
#include "support/command_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

std::string Temp(const char* name) {
    return std::string(::testing::TempDir()) + name;
}

// ffmpeg's test picture with noise, as a camera gives it: studio-range Y, U and V at full
// resolution, and the same picture as blue, green, red pixels.
struct Source {
    int width = 0, height = 0;
    std::vector<uint8_t> yuv;  // three planes
    std::vector<uint8_t> bgr;
    uint8_t Y(int x, int y) const { return yuv[size_t(y) * width + x]; }
    uint8_t U(int x, int y) const { return yuv[size_t(width) * height + size_t(y) * width + x]; }
    uint8_t V(int x, int y) const {
        return yuv[size_t(width) * height * 2 + size_t(y) * width + x];
    }
};

const Source& TestSource(int width, int height) {
    static std::map<int, Source> sources;
    Source& s = sources[width * 100000 + height];
    if (s.width)
        return s;
    // testsrc2 makes even sizes of 2x2 and more: odd ones are cut from a larger picture.
    std::string input =
        "ffmpeg -v quiet -f lavfi -i 'testsrc2=size=" + std::to_string(width + width % 2 + 2) +
        "x" + std::to_string(height + height % 2 + 2) +
        ",format=yuv444p,crop=" + std::to_string(width) + ":" + std::to_string(height) +
        ":0:0,noise=alls=10' -frames:v 1 -f rawvideo -pix_fmt ";
    s.width = width;
    s.height = height;
    s.yuv = CommandOutput(input + "yuv444p - 2>/dev/null");
    s.bgr = CommandOutput(input + "bgr24 - 2>/dev/null");
    return s;
}

bool Planar(FrameLayout layout) {
    return layout == FrameLayout::Yv12 || layout == FrameLayout::I420 ||
           layout == FrameLayout::Nv12;
}

// The source in a camera layout: chroma taken at each pixel pair's (and, 4:2:0, row pair's)
// first pixel; RGB rows padded to four bytes, bottom-up unless top-down.
std::vector<uint8_t> CameraFrame(FrameLayout layout, const Source& s) {
    const int w = s.width, h = s.height;
    std::vector<uint8_t> frame(RequiredFrameBytes(layout, w, h));
    if (IsRgbLayout(layout)) {
        size_t pixel = layout == FrameLayout::Rgb24 || layout == FrameLayout::Rgb24TopDown ? 3 : 4;
        size_t stride = (w * pixel + 3) / 4 * 4;
        bool topDown = layout == FrameLayout::Rgb24TopDown || layout == FrameLayout::Rgb32TopDown;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                std::copy_n(&s.bgr[(size_t(y) * w + x) * 3], 3,
                            &frame[size_t(topDown ? y : h - 1 - y) * stride + x * pixel]);
        return frame;
    }
    if (!Planar(layout)) {
        bool uyvy = layout == FrameLayout::Uyvy;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint8_t* p = &frame[(size_t(y) * w + x) * 2];
                p[uyvy ? 1 : 0] = s.Y(x, y);
                p[uyvy ? 0 : 1] = x % 2 ? s.V(x - 1, y) : s.U(x, y);
            }
        return frame;
    }
    std::copy_n(s.yuv.begin(), size_t(w) * h, frame.begin());
    const int cw = w / 2, ch = h / 2;
    uint8_t* first = frame.data() + size_t(w) * h;
    uint8_t* second = first + size_t(cw) * ch;
    for (int y = 0; y < ch; ++y)
        for (int x = 0; x < cw; ++x) {
            uint8_t u = s.U(2 * x, 2 * y), v = s.V(2 * x, 2 * y);
            size_t at = size_t(y) * cw + x;
            if (layout == FrameLayout::Nv12) {
                first[2 * at] = u;
                first[2 * at + 1] = v;
            } else {
                (layout == FrameLayout::I420 ? first : second)[at] = u;
                (layout == FrameLayout::I420 ? second : first)[at] = v;
            }
        }
    return frame;
}

// The chroma a layout holds for JPEG chroma sample (x, y) of a 4:2:2 or 4:2:0 picture: the
// pixel pair's, the last column and row repeated where the layout has fewer, neutral without
// any.
uint8_t LayoutChroma(FrameLayout layout, const Source& s, bool v, int x, int y) {
    if (!Planar(layout)) {
        int px = std::min(2 * x, s.width - 1);
        if (v && px % 2 == 0 && px == s.width - 1)  // an odd width's last pixel has no V of its own
            return px ? s.V(px - 2, y) : 128;
        return v ? s.V(px, y) : s.U(px, y);
    }
    int cw = s.width / 2, ch = s.height / 2;
    if (cw == 0 || ch == 0)
        return 128;
    int px = 2 * std::min(x, cw - 1), py = 2 * std::min(y, ch - 1);
    return v ? s.V(px, py) : s.U(px, py);
}

double Psnr(double squaredError, size_t count) {
    return squaredError == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 * count / squaredError);
}

// A full-range value in the studio range.
double Studio(int value, bool luma) {
    return luma ? 16 + value * 219.0 / 255 : 128 + (value - 128) * 224.0 / 255;
}

std::vector<uint8_t> Encode(FrameLayout layout, const std::vector<uint8_t>& frame, int width,
                            int height, int quality = 85) {
    std::vector<uint8_t> jpeg(JpegEncodedBound(width, height));
    JpegEncoderScratch scratch;
    jpeg.resize(EncodeJpeg(layout, frame.data(), frame.size(), width, height, quality, jpeg.data(),
                           jpeg.size(), &scratch));
    return jpeg;
}

// ffmpeg's decoding of `jpeg` in `pixelFormat`.
std::vector<uint8_t> FfmpegDecode(const std::vector<uint8_t>& jpeg,
                                  const std::string& pixelFormat) {
    std::string path = Temp("encoded.jpg");
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(jpeg.data(), 1, jpeg.size(), file);
    std::fclose(file);
    return CommandOutput("ffmpeg -v quiet -i '" + path + "' -f rawvideo -pix_fmt " + pixelFormat +
                         " - 2>/dev/null");
}

TEST(JpegEncoder, EveryLayoutAndSizeDecodesInFfmpegToItsPicture) {
    // PSNR floors: libjpeg-turbo 2.1's at quality 85 on the same pictures less 0.5 dB (the
    // same planes through tjCompressFromYUVPlanes, RGB through tjCompress2 with 4:2:0, decoded
    // by ffmpeg as here; measured once by a program of its own). YUV: luma, then chroma; RGB:
    // the three colours, which lose much to 4:2:0 of noisy chroma. At 1x1 libjpeg-turbo's 4:2:0
    // luma came out poorer than its 4:2:2, and its chroma exact: there the 4:2:2 luma floor
    // holds for both, and chroma must be exact but for the range's rounding here (60 dB).
    struct Floor {
        int width, height;
        double luma422, chroma422, luma420, chroma420, rgb;
    };
    const Floor floors[] = {{64, 48, 34.1, 31.2, 34.1, 31.1, 19.7},
                            {33, 17, 32.6, 30.0, 32.4, 30.5, 16.4},
                            {1, 1, 47.6, 60, 47.6, 60, 52.4},
                            {70, 38, 33.9, 31.2, 33.9, 31.7, 22.9}};
    const FrameLayout layouts[] = {FrameLayout::Yuy2,  FrameLayout::Uyvy,        FrameLayout::Nv12,
                                   FrameLayout::I420,  FrameLayout::Yv12,        FrameLayout::Rgb24,
                                   FrameLayout::Rgb32, FrameLayout::Rgb24TopDown};
    for (const Floor& f : floors) {
        const Source& s = TestSource(f.width, f.height);
        ASSERT_EQ(s.yuv.size(), size_t(f.width) * f.height * 3) << "no ffmpeg";
        for (FrameLayout layout : layouts) {
            SCOPED_TRACE("layout " + std::to_string(int(layout)) + " " + std::to_string(f.width) +
                         "x" + std::to_string(f.height));
            std::vector<uint8_t> jpeg = Encode(layout, CameraFrame(layout, s), f.width, f.height);
            ASSERT_GT(jpeg.size(), 300u);
            const size_t pixels = size_t(f.width) * f.height;
            if (IsRgbLayout(layout)) {
                std::vector<uint8_t> bgr = FfmpegDecode(jpeg, "bgr24");
                ASSERT_EQ(bgr.size(), s.bgr.size());
                double error = 0;
                for (size_t i = 0; i < bgr.size(); ++i)
                    error += (bgr[i] - s.bgr[i]) * (bgr[i] - s.bgr[i]);
                EXPECT_GE(Psnr(error, bgr.size()), f.rgb);
                continue;
            }
            const bool is420 = Planar(layout);
            const int cw = (f.width + 1) / 2, ch = is420 ? (f.height + 1) / 2 : f.height;
            std::vector<uint8_t> planes = FfmpegDecode(jpeg, is420 ? "yuvj420p" : "yuvj422p");
            ASSERT_EQ(planes.size(), pixels + 2 * size_t(cw) * ch);
            double lumaError = 0, chromaError = 0;
            for (int y = 0; y < f.height; ++y)
                for (int x = 0; x < f.width; ++x) {
                    double d = Studio(planes[size_t(y) * f.width + x], true) - s.Y(x, y);
                    lumaError += d * d;
                }
            for (int c = 0; c < 2; ++c)
                for (int y = 0; y < ch; ++y)
                    for (int x = 0; x < cw; ++x) {
                        double d = Studio(planes[pixels + size_t(c * ch + y) * cw + x], false) -
                                   LayoutChroma(layout, s, c == 1, x, y);
                        chromaError += d * d;
                    }
            EXPECT_GE(Psnr(lumaError, pixels), is420 ? f.luma420 : f.luma422);
            EXPECT_GE(Psnr(chromaError, 2 * size_t(cw) * ch), is420 ? f.chroma420 : f.chroma422);
        }
    }
}

TEST(JpegEncoder, OurDecoderReadsOurFramesBackInTheStudioRange) {
    // At quality 100 what is left is rounding: each sample within 2 of the frame's.
    const struct {
        FrameLayout layout;
        int width, height;
    } cases[] = {{FrameLayout::Yuy2, 64, 48},
                 {FrameLayout::Uyvy, 70, 38},
                 {FrameLayout::Nv12, 64, 48},
                 {FrameLayout::I420, 70, 38}};
    for (const auto& c : cases) {
        SCOPED_TRACE("layout " + std::to_string(int(c.layout)));
        const Source& s = TestSource(c.width, c.height);
        ASSERT_EQ(s.yuv.size(), size_t(c.width) * c.height * 3) << "no ffmpeg";
        std::vector<uint8_t> jpeg =
            Encode(c.layout, CameraFrame(c.layout, s), c.width, c.height, 100);
        std::vector<uint8_t> yuy2(size_t(c.width) * c.height * 2);
        JpegScratch scratch;
        ASSERT_EQ(DecodeJpegToYuy2(jpeg.data(), jpeg.size(), c.width, c.height, yuy2.data(),
                                   size_t(c.width) * 2, &scratch),
                  JpegResult::Ok);
        const bool is420 = Planar(c.layout);
        int worst = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const uint8_t* p = &yuy2[(size_t(y) * c.width + x) * 2];
                // The decoder keeps to the studio range; the noise goes past it.
                int luma = std::clamp<int>(s.Y(x, y), 16, 235);
                int chroma = std::clamp<int>(
                    LayoutChroma(c.layout, s, x % 2 == 1, x / 2, is420 ? y / 2 : y), 16, 240);
                worst = std::max({worst, std::abs(p[0] - luma), std::abs(p[1] - chroma)});
            }
        EXPECT_LE(worst, 2);
    }
}

TEST(JpegEncoder, EveryKernelCodesTheScalarReferencesBytes) {
    // Odd counts of blocks in a row (33 wide) and edges past the picture included.
    const Source& s = TestSource(33, 17);
    ASSERT_EQ(s.yuv.size(), size_t(33) * 17 * 3) << "no ffmpeg";
    for (FrameLayout layout : {FrameLayout::Yuy2, FrameLayout::I420, FrameLayout::Rgb32}) {
        std::vector<uint8_t> frame = CameraFrame(layout, s);
        for (int quality : {30, 85, 100}) {
            auto encode = [&](YuvKernel kernel) {
                std::vector<uint8_t> out(JpegEncodedBound(33, 17));
                JpegEncoderScratch scratch;
                out.resize(EncodeJpegWith(kernel, layout, frame.data(), frame.size(), 33, 17,
                                          quality, out.data(), out.size(), &scratch));
                return out;
            };
            const std::vector<uint8_t> reference = encode(YuvKernel::Scalar);
            ASSERT_GT(reference.size(), 300u);
            for (YuvKernel kernel : {YuvKernel::Sse2, YuvKernel::Avx2, YuvKernel::Avx512}) {
                if (YuvKernelAvailable(kernel)) {
                    EXPECT_EQ(encode(kernel), reference) << "layout " << int(layout) << " kernel "
                                                         << int(kernel) << " quality " << quality;
                }
            }
        }
    }
}

TEST(JpegEncoder, ShortFramesAndOutputsGiveZeroWithNothingWrittenPastTheOutput) {
    const Source& s = TestSource(70, 38);
    ASSERT_EQ(s.yuv.size(), size_t(70) * 38 * 3) << "no ffmpeg";
    std::vector<uint8_t> frame = CameraFrame(FrameLayout::Yuy2, s);
    const size_t size = Encode(FrameLayout::Yuy2, frame, 70, 38).size();
    ASSERT_GT(size, 1000u);
    JpegEncoderScratch scratch;
    constexpr size_t kGuard = 4096;
    // Capacities around the JPEG's size (the last MCUs and the trailer near the end), within
    // its entropy-coded data, and within its headers.
    const struct {
        size_t capacity;
        size_t expected;
    } outputs[] = {{size, size},  {size + 1, size}, {size - 1, 0}, {size - 2, 0},
                   {size / 2, 0}, {100, 0},         {0, 0}};
    for (const auto& o : outputs) {
        SCOPED_TRACE("capacity " + std::to_string(o.capacity));
        std::vector<uint8_t> out(o.capacity + kGuard, 0xA5);
        EXPECT_EQ(EncodeJpeg(FrameLayout::Yuy2, frame.data(), frame.size(), 70, 38, 85, out.data(),
                             o.capacity, &scratch),
                  o.expected);
        EXPECT_TRUE(
            std::all_of(out.begin() + o.capacity, out.end(), [](uint8_t b) { return b == 0xA5; }));
    }
    // Frames shorter than their layout needs, and sizes out of range.
    std::vector<uint8_t> out(JpegEncodedBound(70, 38));
    const struct {
        FrameLayout layout;
        size_t frameBytes;
        int width, height;
    } frames[] = {{FrameLayout::Yuy2, frame.size() - 1, 70, 38},
                  {FrameLayout::Yuy2, frame.size(), 70, 39},
                  {FrameLayout::I420, 70 * 38 + 2 * 35 * 19 - 1, 70, 38},
                  {FrameLayout::Rgb24, 212 * 38 - 1, 70, 38},  // rows of 210 bytes padded to 212
                  {FrameLayout::Yuy2, frame.size(), 0, 38},
                  {FrameLayout::Yuy2, frame.size(), 70, -1}};
    for (const auto& f : frames) {
        SCOPED_TRACE("layout " + std::to_string(int(f.layout)) + " " +
                     std::to_string(f.frameBytes) + " bytes");
        EXPECT_EQ(EncodeJpeg(f.layout, frame.data(), f.frameBytes, f.width, f.height, 85,
                             out.data(), out.size(), &scratch),
                  0u);
    }
    EXPECT_EQ(JpegEncodedBound(65536, 1), 0u);
    EXPECT_EQ(JpegEncodedBound(1, 0), 0u);
}

}  // namespace
