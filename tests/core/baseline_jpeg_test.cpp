// The fast JPEG decoder against ffmpeg's: frames of each sampling and size decode to ffmpeg's
// picture in the studio range, give up on what they leave to another decoder, and survive
// being cut short or damaged anywhere.
#include "codec/baseline_jpeg.h"

#include <gtest/gtest.h>

#include "support/command_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string Temp(const char* name) { return std::string(::testing::TempDir()) + name; }

// A JPEG of ffmpeg's test picture with fine noise, in `pixelFormat`'s sampling.
std::vector<uint8_t> Encode(int width, int height, const std::string& pixelFormat, const std::string& extra = "") {
    return CommandOutput("ffmpeg -v quiet -f lavfi -i 'testsrc2=size=" + std::to_string(width) + "x" + std::to_string(height) +
                  ",noise=alls=10' -frames:v 1 -pix_fmt " + pixelFormat + " -q:v 3 " + extra + " -f mjpeg - 2>/dev/null");
}

// ffmpeg's decoding of `jpeg` as full-range 4:2:2: Y, U and V planes.
std::vector<uint8_t> Reference(const std::vector<uint8_t>& jpeg) {
    std::string path = Temp("reference.jpg");
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(jpeg.data(), 1, jpeg.size(), file);
    std::fclose(file);
    return CommandOutput("ffmpeg -v quiet -i '" + path + "' -f rawvideo -pix_fmt yuvj422p - 2>/dev/null");
}

// A full-range value in the studio range: 16 + 219/255 of it for luma, 128 + 224/255 of its
// distance from 128 for chroma.
int Studio(int value, bool luma) {
    return static_cast<int>(std::lround(luma ? 16 + value * 219.0 / 255 : 128 + (value - 128) * 224.0 / 255));
}

TEST(BaselineJpeg, EachSamplingAndSizeDecodesToTheReferencePictureInTheStudioRange) {
    struct Case {
        int width, height;
        const char* pixelFormat;
        const char* extra = "";  // restart intervals, as many cameras send them
    };
    const Case cases[] = {{64, 48, "yuvj422p"}, {70, 38, "yuvj422p"}, {96, 64, "yuvj420p"},
                          {50, 30, "yuvj420p"}, {48, 24, "yuvj444p"}, {40, 24, "gray"},
                          {64, 48, "yuvj422p", "-slices 3"}, {96, 64, "yuvj420p", "-slices 4"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pixelFormat) + " " + std::to_string(c.width) + "x" + std::to_string(c.height) + " " + c.extra);
        std::vector<uint8_t> jpeg = Encode(c.width, c.height, c.pixelFormat, c.extra);
        ASSERT_GT(jpeg.size(), 100u) << "no ffmpeg";
        const uint8_t restartMarker[] = {0xFF, 0xDD};
        EXPECT_EQ(std::search(jpeg.begin(), jpeg.end(), restartMarker, restartMarker + 2) != jpeg.end(), *c.extra != 0);
        int width = 0, height = 0;
        ASSERT_EQ(ReadJpegSize(jpeg.data(), jpeg.size(), &width, &height), JpegResult::Ok);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        size_t stride = size_t(c.width) * 2 + 6;
        std::vector<uint8_t> yuy2(stride * c.height + 1, 0xEE);
        JpegScratch scratch;
        ASSERT_EQ(DecodeJpegToYuy2(jpeg.data(), jpeg.size(), c.width, c.height, yuy2.data(), stride, &scratch),
                  JpegResult::Ok);
        EXPECT_EQ(yuy2.back(), 0xEE);  // nothing past the rows
        std::vector<uint8_t> planes = Reference(jpeg);
        const size_t luma = size_t(c.width) * c.height, chroma = luma / 2;
        ASSERT_EQ(planes.size(), luma + 2 * chroma);
        int worst = 0;
        double sum = 0;
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x) {
                const uint8_t* p = &yuy2[y * stride + 2 * x];
                size_t at = size_t(y) * c.width + x, pair = size_t(y) * (c.width / 2) + x / 2;
                int dy = std::abs(p[0] - Studio(planes[at], true));
                int dc = std::abs(p[1] - Studio(planes[luma + (x % 2 ? chroma : 0) + pair], false));
                // Chroma compares where both are 4:2:2 as coded; other samplings are resampled.
                bool sameChroma = std::string(c.pixelFormat) == "yuvj422p";
                worst = std::max({worst, dy, sameChroma ? dc : 0});
                sum += dy;
            }
        EXPECT_LE(worst, 2);
        EXPECT_LT(sum / luma, 0.5);
    }
}

TEST(BaselineJpeg, LeavesOtherCodingToAnotherDecoderAndSurvivesDamageAnywhere) {
    std::vector<uint8_t> jpeg = Encode(64, 48, "yuvj422p");
    ASSERT_GT(jpeg.size(), 100u) << "no ffmpeg";
    // A progressive frame's marker in place of the baseline one: left to another decoder.
    std::vector<uint8_t> progressive = jpeg;
    for (size_t i = 0; i + 1 < progressive.size(); ++i)
        if (progressive[i] == 0xFF && progressive[i + 1] == 0xC0) {
            progressive[i + 1] = 0xC2;
            break;
        }
    int width = 0, height = 0;
    EXPECT_EQ(ReadJpegSize(progressive.data(), progressive.size(), &width, &height), JpegResult::Unsupported);
    // The frame must have the size asked for, and rows room for it.
    size_t stride = 128;
    std::vector<uint8_t> out(stride * 48);
    JpegScratch scratch;
    EXPECT_EQ(DecodeJpegToYuy2(jpeg.data(), jpeg.size(), 66, 48, out.data(), stride, &scratch), JpegResult::Unsupported);
    EXPECT_EQ(DecodeJpegToYuy2(jpeg.data(), jpeg.size(), 64, 48, out.data(), 127, &scratch), JpegResult::Unsupported);
    // A scan naming a component twice leaves another undecoded (its plane would keep the last
    // frame's samples): damaged. Components 1, 3, 3: both chroma have the same tables, so the
    // data itself decodes.
    std::vector<uint8_t> twice = jpeg;
    for (size_t i = 0; i + 10 < twice.size(); ++i)
        if (twice[i] == 0xFF && twice[i + 1] == 0xDA) {
            twice[i + 7] = twice[i + 9];  // the second component's ID is the third's
            break;
        }
    EXPECT_EQ(DecodeJpegToYuy2(twice.data(), twice.size(), 64, 48, out.data(), stride, &scratch), JpegResult::Damaged);
    // Cut in its last quarter: the rows after the last whole row of blocks are grey.
    std::fill(out.begin(), out.end(), 0);
    EXPECT_EQ(DecodeJpegToYuy2(jpeg.data(), jpeg.size() * 3 / 4, 64, 48, out.data(), stride, &scratch), JpegResult::Damaged);
    EXPECT_TRUE(std::all_of(out.end() - stride, out.end() - (stride - 128), [](uint8_t v) { return v == 0x80; }));
    EXPECT_FALSE(std::all_of(out.begin(), out.begin() + 128, [](uint8_t v) { return v == 0x80; }));  // decoded
    // Cut short anywhere before its last bytes, and a byte changed at many places: never more
    // than Damaged.
    for (size_t cut = 0; cut + 4 < jpeg.size(); cut += 7)
        EXPECT_NE(DecodeJpegToYuy2(jpeg.data(), cut, 64, 48, out.data(), stride, &scratch), JpegResult::Ok) << cut;
    for (size_t at = 2; at < jpeg.size(); at += 5) {
        std::vector<uint8_t> damaged = jpeg;
        damaged[at] ^= 0x5A;
        DecodeJpegToYuy2(damaged.data(), damaged.size(), 64, 48, out.data(), stride, &scratch);
    }
}

}  // namespace
