// The fast JPEG decoder against ffmpeg's: frames of each sampling and size, with or without
// their Huffman tables, decode to ffmpeg's picture in the studio range, give up on what they
// leave to another decoder, and survive being cut short or damaged anywhere; its vector kernels
// give the scalar reference's bytes.
#include "codec/baseline_jpeg.h"
#include "codec/jpeg_decoder_kernels.h"
#include "codec/jpeg_huffman.h"

#include <gtest/gtest.h>

#include "support/command_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <numeric>
#include <random>
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

// Where the first segment of `marker` starts (its 0xFF) before the scan's data; 0 for none.
size_t SegmentAt(const std::vector<uint8_t>& jpeg, uint8_t marker) {
    for (size_t at = 2; at + 4 <= jpeg.size() && jpeg[at] == 0xFF;
         at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3])) {
        if (jpeg[at + 1] == marker)
            return at;
        if (jpeg[at + 1] == 0xDA)
            break;
    }
    return 0;
}

// `jpeg` without the Huffman tables `leftOut` (class << 4 | number) in its first DHT segment,
// the segment gone if none is left.
std::vector<uint8_t> WithoutTables(const std::vector<uint8_t>& jpeg,
                                   const std::vector<int>& leftOut) {
    const size_t at = SegmentAt(jpeg, 0xC4), end = at + 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
    std::vector<uint8_t> kept;
    for (size_t table = at + 4, next; table < end; table = next) {
        next = table + 17 + std::accumulate(&jpeg[table + 1], &jpeg[table + 17], size_t(0));
        if (!std::count(leftOut.begin(), leftOut.end(), jpeg[table]))
            kept.insert(kept.end(), jpeg.begin() + table, jpeg.begin() + next);
    }
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + at);
    if (!kept.empty())
        out.insert(out.end(),
                   {0xFF, 0xC4, uint8_t((kept.size() + 2) >> 8), uint8_t(kept.size() + 2)});
    out.insert(out.end(), kept.begin(), kept.end());
    out.insert(out.end(), jpeg.begin() + end, jpeg.end());
    return out;
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
        const char* extra = "";   // restart intervals, as many cameras send them
        const char* coding = "";  // the tables and quantisers, when not ffmpeg's own
        std::vector<int> leftOut = {};  // Huffman tables taken out (class << 4 | number)
    };
    const Case cases[] = {{64, 48, "yuvj422p"}, {70, 38, "yuvj422p"}, {96, 64, "yuvj420p"},
                          {50, 30, "yuvj420p"}, {48, 24, "yuvj444p"}, {40, 24, "gray"},
                          {64, 48, "yuvj422p", "-slices 3"}, {96, 64, "yuvj420p", "-slices 4"},
                          // The standard tables cameras use, and the finest quantisers: values and
                          // codes too long for one lookup, many stuffed bytes.
                          {160, 120, "yuvj422p", "", "-q:v 1 -huffman default"},
                          {176, 144, "yuvj420p", "-slices 3", "-q:v 1 -huffman default"},
                          // Some or all of those tables left out, as some cameras send them:
                          // the standard ones stand in for each.
                          {160, 120, "yuvj422p", "", "-huffman default", {0x01, 0x11}},
                          {96, 64, "yuvj420p", "-slices 4", "-huffman default", {0x00, 0x10}},
                          {64, 48, "yuvj422p", "", "-huffman default", {0x10, 0x11}},
                          {70, 38, "yuvj422p", "", "-huffman default", {0x00, 0x01, 0x10, 0x11}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pixelFormat) + " " + std::to_string(c.width) + "x" + std::to_string(c.height) + " " + c.extra +
                     " " + c.coding + " tables left out: " + std::to_string(c.leftOut.size()));
        const std::vector<uint8_t> whole =
            Encode(c.width, c.height, c.pixelFormat, std::string(c.extra) + " " + c.coding);
        ASSERT_GT(whole.size(), 100u) << "no ffmpeg";
        std::vector<uint8_t> jpeg = c.leftOut.empty() ? whole : WithoutTables(whole, c.leftOut);
        EXPECT_EQ(jpeg.size() < whole.size(), !c.leftOut.empty());
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
        std::vector<uint8_t> planes = Reference(whole);
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
    std::vector<uint8_t> restarts = Encode(64, 48, "yuvj422p", "-slices 3");
    ASSERT_GT(jpeg.size(), 100u) << "no ffmpeg";
    ASSERT_GT(SegmentAt(restarts, 0xDD), 0u);
    using Edit = std::function<void(std::vector<uint8_t>&)>;
    auto beforeEnd = [](size_t count, uint8_t value) -> Edit {
        return [=](std::vector<uint8_t>& j) { j.insert(j.end() - 2, count, value); };
    };
    auto adobe = [](uint8_t transform) -> Edit {
        const std::vector<uint8_t> segment = {0xFF, 0xEE, 0,   14, 'A', 'd', 'o', 'b',
                                              'e',  0,    100, 0,  0,   0,   0,   transform};
        return [=](std::vector<uint8_t>& j) {
            j.insert(j.begin() + 2, segment.begin(), segment.end());
        };
    };
    const Edit namedRgb = [](std::vector<uint8_t>& j) {
        const size_t frame = SegmentAt(j, 0xC0), scan = SegmentAt(j, 0xDA);
        for (int c = 0; c < 3; ++c)
            j[frame + 10 + 3 * c] = j[scan + 5 + 2 * c] = "RGB"[c];
    };
    const struct {
        const char* name;
        const std::vector<uint8_t>& frame;
        Edit edit;
        JpegResult result;
    } cases[] = {
        // A progressive frame's marker in place of the baseline one: left to another decoder.
        {"progressive", jpeg, [](std::vector<uint8_t>& j) { j[SegmentAt(j, 0xC0) + 1] = 0xC2; },
         JpegResult::Unsupported},
        // A scan naming a component twice leaves another undecoded (its plane would keep the
        // last frame's samples). Components 1, 3, 3: both chroma have the same tables, so the
        // data itself decodes.
        {"a component twice", jpeg,
         [](std::vector<uint8_t>& j) { j[SegmentAt(j, 0xDA) + 7] = j[SegmentAt(j, 0xDA) + 9]; },
         JpegResult::Damaged},
        // RGB, by the Adobe marker's transform flag or else by the components' names: no camera
        // frame, and no colours of YUY2's; left to another decoder.
        {"an Adobe marker saying RGB", jpeg, adobe(0), JpegResult::Unsupported},
        {"an Adobe marker saying YCbCr", jpeg, adobe(1), JpegResult::Ok},
        {"components named R, G, B", jpeg, namedRgb, JpegResult::Unsupported},
        // Data the blocks never reach before the end marker: damage that ended them early. Fill
        // and a byte or two more are no damage.
        {"many bytes before the end", jpeg, beforeEnd(40, 0x5A), JpegResult::Damaged},
        {"many bytes after the last restart", restarts, beforeEnd(40, 0x5A), JpegResult::Damaged},
        {"fill before the end", jpeg, beforeEnd(5, 0xFF), JpegResult::Ok},
        {"two bytes before the end", restarts, beforeEnd(2, 0x00), JpegResult::Ok},
    };
    // The frame must have the size asked for, and rows room for it.
    size_t stride = 128;
    std::vector<uint8_t> out(stride * 48);
    JpegScratch scratch;
    EXPECT_EQ(DecodeJpegToYuy2(jpeg.data(), jpeg.size(), 66, 48, out.data(), stride, &scratch), JpegResult::Unsupported);
    EXPECT_EQ(DecodeJpegToYuy2(jpeg.data(), jpeg.size(), 64, 48, out.data(), 127, &scratch), JpegResult::Unsupported);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> edited = c.frame;
        c.edit(edited);
        EXPECT_EQ(
            DecodeJpegToYuy2(edited.data(), edited.size(), 64, 48, out.data(), stride, &scratch),
            c.result);
        int width = 0, height = 0;
        if (c.result == JpegResult::Unsupported) {
            EXPECT_EQ(ReadJpegSize(edited.data(), edited.size(), &width, &height),
                      JpegResult::Unsupported);
        }
    }
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

// A 16x8 grey frame of two blocks with quantisers of 1 and the standard tables: the first
// block's DC difference is 64 and its AC coefficients are `acSymbols` (run << 4 | size), each
// the largest value of its size; the second block is a DC alone of the same level.
std::vector<uint8_t> TwoBlockFrame(const std::vector<int>& acSymbols) {
    // The standard luminance tables' codes, from their DHT segment.
    std::map<int, std::pair<int, int>> dcCodes, acCodes;  // symbol: code, length
    const std::vector<uint8_t>& dht = StandardHuffmanSegment();
    for (size_t at = 4; at < dht.size();) {
        const uint8_t* counts = &dht[at + 1];
        const uint8_t* values = counts + 16;
        int code = 0, index = 0;
        for (int length = 1; length <= 16; ++length, code <<= 1)
            for (int i = 0; i < counts[length - 1]; ++i, ++code, ++index)
                if (dht[at] == 0x00 || dht[at] == 0x10) (dht[at] ? acCodes : dcCodes)[values[index]] = {code, length};
        at += 17 + index;
    }
    std::vector<uint8_t> data;
    uint32_t pending = 0;
    int bits = 0;
    auto put = [&](int value, int length) {
        for (int i = length - 1; i >= 0; --i) {
            pending = pending << 1 | ((value >> i) & 1);
            if (++bits == 8) {
                data.push_back(static_cast<uint8_t>(pending));
                if (pending == 0xFF) data.push_back(0);  // stuffed
                pending = bits = 0;
            }
        }
    };
    auto code = [&](const std::pair<int, int>& c) { put(c.first, c.second); };
    code(dcCodes.at(7));
    put(64, 7);
    for (int symbol : acSymbols) {
        code(acCodes.at(symbol));
        put((1 << (symbol & 15)) - 1, symbol & 15);
    }
    code(dcCodes.at(0));
    code(acCodes.at(0x00));
    while (bits) put(1, 1);  // padded with ones
    std::vector<uint8_t> jpeg = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    jpeg.insert(jpeg.end(), 64, 1);
    const uint8_t frame[] = {0xFF, 0xC0, 0, 11, 8, 0, 8, 0, 16, 1, 1, 0x11, 0};
    jpeg.insert(jpeg.end(), frame, frame + sizeof(frame));
    jpeg.insert(jpeg.end(), dht.begin(), dht.end());
    const uint8_t scan[] = {0xFF, 0xDA, 0, 8, 1, 1, 0x00, 0, 63, 0};
    jpeg.insert(jpeg.end(), scan, scan + sizeof(scan));
    jpeg.insert(jpeg.end(), data.begin(), data.end());
    jpeg.push_back(0xFF);
    jpeg.push_back(0xD9);
    return jpeg;
}

TEST(BaselineJpeg, BlocksEndAtTheirLastPlaceAndARunPastItIsDamaged) {
    const int kEnd = 0x00, kSixteenZeros = 0xF0;
    struct Case {
        const char* name;
        std::vector<int> acSymbols;
        JpegResult result;
        bool flatFirstBlock = false;
    };
    const Case cases[] = {
        {"the DC alone", {kEnd}, JpegResult::Ok, true},
        {"zeros only", {kSixteenZeros, kEnd}, JpegResult::Ok, true},
        // 1 + 3 * 16 + 14 = 63: without an end of block, the next block follows.
        {"a coefficient in the last place", {kSixteenZeros, kSixteenZeros, kSixteenZeros, 0xE5}, JpegResult::Ok, false},
        {"a short code's run past the end", {kSixteenZeros, kSixteenZeros, kSixteenZeros, 0xD1, 0x11}, JpegResult::Damaged},
        {"a long code's run past the end", {kSixteenZeros, kSixteenZeros, kSixteenZeros, 0xF1}, JpegResult::Damaged},
    };
    JpegScratch scratch;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> jpeg = TwoBlockFrame(c.acSymbols);
        std::vector<uint8_t> yuy2(32 * 8);
        ASSERT_EQ(DecodeJpegToYuy2(jpeg.data(), jpeg.size(), 16, 8, yuy2.data(), 32, &scratch), c.result);
        if (c.result != JpegResult::Ok) continue;
        // Full-range 128 + 64 / 8 in the studio range: 133. Nothing of the first block's
        // coefficients reaches the second.
        bool flat = true;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 16; ++x) {
                uint8_t luma = yuy2[y * 32 + 2 * x];
                if (x >= 8) {
                    EXPECT_EQ(luma, 133) << x << "," << y;
                } else if (luma != 133) {
                    flat = false;
                }
            }
        EXPECT_EQ(flat, c.flatFirstBlock);
    }
}

// The vector kernels this processor has.
struct VectorKernels {
    const char* name;
    InverseBlockKernel inverse;
    PackRowKernel pack;
};
std::vector<VectorKernels> AvailableVectorKernels() {
    std::vector<VectorKernels> kernels;
#ifdef WEBCAM_HAS_X86_KERNELS
    kernels.push_back({"SSE2", &InverseBlockSse2, &PackRowSse2});
    if (CpuHasAvx2()) kernels.push_back({"AVX2", &InverseBlockAvx2, &PackRowAvx2});
#endif
    return kernels;
}

TEST(BaselineJpeg, VectorKernelsGiveTheScalarBytesAndLeaveTheBlockZero) {
    struct Case {
        const char* name;
        int quantiser;        // for all 64 coefficients
        int dc, ac;           // largest magnitudes
        int acCoefficients;   // how many are nonzero
        bool luma;
    };
    const Case cases[] = {{"camera block", 6, 300, 40, 20, true},     {"chroma", 9, 200, 30, 6, false},
                          {"finest quantiser", 1, 1024, 1023, 63, true},  // clamped at both ends
                          {"coarse, clamped", 200, 2047, 1023, 63, false}, {"DC alone", 16, 2047, 0, 0, true}};
    std::vector<VectorKernels> kernels = AvailableVectorKernels();
    std::mt19937 random(7);
    constexpr size_t kStride = 13;  // rows apart by other than a multiple of 8
    for (const Case& c : cases)
        for (int trial = 0; trial < 50; ++trial) {
            InverseQuant quant;
            for (float& m : quant.multipliers) m = c.quantiser * std::uniform_real_distribution<float>(0.1f, 1.3f)(random);
            quant.offset = c.luma ? 126.0f : 128.0f;
            quant.lowest = 16;
            quant.highest = c.luma ? 235 : 240;
            alignas(32) int16_t block[64] = {};
            block[0] = static_cast<int16_t>(std::uniform_int_distribution<int>(-c.dc, c.dc)(random));
            for (int i = 0; i < c.acCoefficients; ++i)
                block[std::uniform_int_distribution<int>(1, 63)(random)] =
                    static_cast<int16_t>(std::uniform_int_distribution<int>(-c.ac, c.ac)(random));
            alignas(32) int16_t copy[64];
            std::copy(block, block + 64, copy);
            std::vector<uint8_t> expected(kStride * 8, 0xEE);
            InverseBlockScalar(copy, quant, expected.data(), kStride);
            for (const VectorKernels& k : kernels) {
                SCOPED_TRACE(std::string(c.name) + " " + k.name + " trial " + std::to_string(trial));
                std::copy(block, block + 64, copy);
                std::vector<uint8_t> samples(kStride * 8, 0xEE);  // the bytes between rows stay
                k.inverse(copy, quant, samples.data(), kStride);
                EXPECT_EQ(samples, expected);
                EXPECT_TRUE(std::all_of(copy, copy + 64, [](int16_t v) { return v == 0; }));
            }
        }
    // Rows of each width the packing steps through: whole vectors, their halves, pairs left over.
    for (int width : {2, 14, 16, 18, 30, 32, 34, 48, 62, 64, 66, 98, 1920}) {
        std::vector<uint8_t> y(width), u(width / 2), v(width / 2);
        for (int i = 0; i < width; ++i) y[i] = static_cast<uint8_t>(random());
        for (int i = 0; i < width / 2; ++i) u[i] = static_cast<uint8_t>(random()), v[i] = static_cast<uint8_t>(random());
        std::vector<uint8_t> expected(width * 2 + 8, 0xEE);
        PackRowScalar(y.data(), u.data(), v.data(), expected.data(), width);
        EXPECT_EQ(expected[0], y[0]);
        EXPECT_EQ(expected[1], u[0]);
        EXPECT_EQ(expected[width * 2 - 1], v[width / 2 - 1]);
        for (const VectorKernels& k : kernels) {
            SCOPED_TRACE(std::string(k.name) + " width " + std::to_string(width));
            std::vector<uint8_t> packed(width * 2 + 8, 0xEE);  // nothing past the row
            k.pack(y.data(), u.data(), v.data(), packed.data(), width);
            EXPECT_EQ(packed, expected);
        }
    }
}

}  // namespace
