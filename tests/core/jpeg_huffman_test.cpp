// The standard Huffman tables put into camera frames that leave them out: the tables are the
// ones an encoder writes when told to use the standard tables (ffmpeg), and a frame without its
// tables decodes, once they are put back, to the same picture.
#include "codec/jpeg_huffman.h"

#include <gtest/gtest.h>

#include "support/command_output.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

// The JPEG's DHT segments, and the JPEG without them.
std::vector<uint8_t> TakeTables(const std::vector<uint8_t>& jpeg, std::vector<uint8_t>* without) {
    std::vector<uint8_t> tables;
    without->assign(jpeg.begin(), jpeg.begin() + 2);
    size_t at = 2;
    while (at + 4 <= jpeg.size() && jpeg[at + 1] != 0xDA) {
        size_t end = at + 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
        (jpeg[at + 1] == 0xC4 ? tables : *without).insert((jpeg[at + 1] == 0xC4 ? tables : *without).end(),
                                                         jpeg.begin() + at, jpeg.begin() + end);
        at = end;
    }
    without->insert(without->end(), jpeg.begin() + at, jpeg.end());
    return tables;
}

std::vector<uint8_t> Decode(const std::vector<uint8_t>& jpeg) {
    std::string path = std::string(::testing::TempDir()) + "frame.jpg";
    FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(jpeg.data(), 1, jpeg.size(), file);
    std::fclose(file);
    return CommandOutput("ffmpeg -v quiet -i '" + path + "' -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
}

TEST(JpegHuffman, TheStandardTablesAreTheOnesEncodersWriteAndMakeATablelessFrameDecodable) {
    std::vector<uint8_t> jpeg = CommandOutput("ffmpeg -v quiet -f lavfi -i testsrc=size=64x48 -frames:v 1 "
                                    "-huffman default -f mjpeg - 2>/dev/null");
    ASSERT_GT(jpeg.size(), 100u) << "no ffmpeg";
    std::vector<uint8_t> without;
    EXPECT_EQ(TakeTables(jpeg, &without), StandardHuffmanSegment());
    EXPECT_TRUE(HasHuffmanTables(jpeg.data(), jpeg.size()));
    EXPECT_FALSE(HasHuffmanTables(without.data(), without.size()));
    std::vector<uint8_t> mended = WithStandardHuffmanTables(without.data(), without.size());
    EXPECT_TRUE(HasHuffmanTables(mended.data(), mended.size()));
    std::vector<uint8_t> picture = Decode(jpeg);
    ASSERT_EQ(picture.size(), 64u * 48 * 3);
    EXPECT_EQ(Decode(mended), picture);
}

TEST(JpegHuffman, BytesThatAreNotAJpegStreamGetNothing) {
    const std::vector<std::vector<uint8_t>> cases = {
        {}, {0xFF}, {0xFF, 0xD8}, {0x00, 0xD8, 0xFF, 0xDA, 0, 2},
        {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x40, 1, 2},  // a segment longer than the bytes
        {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01, 0xFF, 0xDA, 0, 2},  // a length below its own size
        {0xFF, 0xD8, 0x12, 0x34, 0xFF, 0xDA, 0, 2},   // no marker where one must be
    };
    for (const auto& bytes : cases) {
        EXPECT_FALSE(HasHuffmanTables(bytes.data(), bytes.size()));
        EXPECT_TRUE(WithStandardHuffmanTables(bytes.data(), bytes.size()).empty());
    }
}

}  // namespace
