// Frame sizes and the frame copy into renderer buffers, run under the sanitizers: every copy
// must stay inside the byte counts it is given.
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "grabber/frame_copy.h"

namespace {

std::vector<uint8_t> Numbered(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 31 + i / 251);
    return bytes;
}

TEST(FrameBytes, PlanarIsOneAndAHalfPackedIsTwoBytesPerPixel) {
    EXPECT_EQ(FrameBytes(1, 640, 480), 460800u);
    EXPECT_EQ(FrameBytes(2, 640, 480), 614400u);
    // RGB24 rows padded to whole words, as bitmap rows are.
    EXPECT_EQ(FrameBytes(3, 1366, 768), 4100u * 768);
    EXPECT_EQ(FrameBytes(3, 33, 2), 100u * 2);
    EXPECT_EQ(FrameBytes(3, 1, 1), 4u);
    EXPECT_EQ(FrameBytes(3, 640, 480), 640u * 480 * 3);
    EXPECT_EQ(FrameBytes(1, 3, 3), 13u);  // 13.5 truncated
    EXPECT_EQ(FrameBytes(2, -640, 480), 0u);
    EXPECT_EQ(FrameBytes(0, 640, 480), 0u);
    EXPECT_EQ(FrameBytes(4, 0x7FFFFFFF, 0x7FFFFFFF), 0u);  // too large for any buffer
}

TEST(CopyFrame, EqualPitchIsOneBlockBoundedByBothBuffers) {
    auto source = Numbered(640 * 480 * 2);
    std::vector<uint8_t> destination(640 * 480 * 2);
    FrameGeometry g{2, 640, 480, 640, 480};
    EXPECT_EQ(CopyFrame(g, source.data(), source.size(), destination.data(), destination.size()),
              source.size());
    EXPECT_EQ(destination, source);

    std::vector<uint8_t> small(1000);
    EXPECT_EQ(CopyFrame(g, source.data(), source.size(), small.data(), small.size()), 1000u);
    EXPECT_EQ(CopyFrame(g, source.data(), 77, destination.data(), destination.size()), 77u);
}

TEST(CopyFrame, PackedRowsTakeTheWiderDestinationPitch) {
    auto source = Numbered(640 * 480 * 2);
    std::vector<uint8_t> destination(704 * 480 * 2, 0xEE);
    FrameGeometry g{2, 640, 480, 704, 480};
    EXPECT_EQ(CopyFrame(g, source.data(), source.size(), destination.data(), destination.size()),
              640u * 480 * 2);
    for (int row : {0, 1, 479}) {
        EXPECT_TRUE(std::equal(source.begin() + row * 1280, source.begin() + row * 1280 + 1280,
                               destination.begin() + row * 1408));
        EXPECT_EQ(destination[row * 1408 + 1280], 0xEE);  // the padding is left alone
    }
}

TEST(CopyFrame, Rgb24RowsKeepTheirPaddedPitchOnBothSides) {
    for (int width : {1366, 33, 1}) {
        const int height = 5, outWidth = width + 7;
        const size_t pitch = (width * 3 + 3) / 4 * 4, outPitch = (outWidth * 3 + 3) / 4 * 4;
        auto source = Numbered(pitch * height);
        std::vector<uint8_t> destination(outPitch * height, 0xEE);
        FrameGeometry g{3, width, height, outWidth, height};
        EXPECT_EQ(CopyFrame(g, source.data(), source.size(), destination.data(), destination.size()),
                  size_t(width) * 3 * height) << width;
        for (int row = 0; row < height; ++row)
            EXPECT_TRUE(std::equal(source.begin() + row * pitch, source.begin() + row * pitch + width * 3,
                                   destination.begin() + row * outPitch)) << width << " row " << row;
        // The same pitch: the whole frame, padding and all.
        std::vector<uint8_t> same(pitch * height);
        FrameGeometry equal{3, width, height, width, height};
        EXPECT_EQ(CopyFrame(equal, source.data(), source.size(), same.data(), same.size()), source.size());
    }
}

TEST(CopyFrame, NarrowerDestinationTakesTheLeftPartOfEachRow) {
    auto source = Numbered(704 * 8 * 2);
    std::vector<uint8_t> destination(640 * 8 * 2);
    FrameGeometry g{2, 704, 8, 640, 8};
    EXPECT_EQ(CopyFrame(g, source.data(), source.size(), destination.data(), destination.size()),
              640u * 8 * 2);
    EXPECT_TRUE(std::equal(source.begin() + 1408, source.begin() + 1408 + 1280,
                           destination.begin() + 1280));
}

TEST(CopyFrame, PlanarFramesCopyEachPlaneWithItsOwnPitch) {
    const int w = 640, h = 480, ow = 704;
    auto source = Numbered(w * h * 3 / 2);
    for (bool nv12 : {false, true}) {
        std::vector<uint8_t> destination(ow * h * 3 / 2, 0xEE);
        FrameGeometry g{1, w, h, ow, h, nv12};
        EXPECT_EQ(CopyFrame(g, source.data(), source.size(), destination.data(), destination.size()),
                  source.size());
        for (int row : {0, h - 1})
            EXPECT_TRUE(std::equal(source.begin() + row * w, source.begin() + row * w + w,
                                   destination.begin() + row * ow));
        // Two planes of half rows, or NV12's one plane of whole rows of U V pairs.
        const int planes = nv12 ? 1 : 2, in = nv12 ? w : w / 2, out = nv12 ? ow : ow / 2;
        for (int plane = 0; plane < planes; ++plane) {
            size_t from = w * h + plane * in * (h / 2);
            size_t to = ow * h + plane * out * (h / 2);
            for (int row : {0, 1, h / 2 - 1})
                EXPECT_TRUE(std::equal(source.begin() + from + row * in, source.begin() + from + row * in + in,
                                       destination.begin() + to + row * out))
                    << "nv12 " << nv12 << " plane " << plane << " row " << row;
        }
    }
}

TEST(CopyFrame, RowsThatDoNotFitAreLeftOutInsteadOfOverrunning) {
    auto source = Numbered(640 * 480 * 2);
    FrameGeometry g{2, 640, 480, 704, 480};
    std::vector<uint8_t> destination(704 * 10 * 2 + 5);  // room for ten rows and a bit
    EXPECT_EQ(CopyFrame(g, source.data(), source.size(), destination.data(), destination.size()),
              10u * 640 * 2);
    // A source shorter than its format: only its whole rows.
    std::vector<uint8_t> wide(704 * 480 * 2);
    EXPECT_EQ(CopyFrame(g, source.data(), 3 * 1280 + 7, wide.data(), wide.size()), 3u * 1280);
    FrameGeometry planar{1, 640, 480, 704, 480};
    EXPECT_LT(CopyFrame(planar, source.data(), 640 * 480, wide.data(), wide.size()),
              640u * 480 * 3 / 2);
}

TEST(CopyFrame, NothingForEmptyOrMissingBuffers) {
    uint8_t byte = 0;
    FrameGeometry g{2, 640, 480, 704, 480};
    EXPECT_EQ(CopyFrame(g, nullptr, 10, &byte, 1), 0u);
    EXPECT_EQ(CopyFrame(g, &byte, 1, nullptr, 10), 0u);
    FrameGeometry empty{2, 0, 480, 704, 480};
    EXPECT_EQ(CopyFrame(empty, &byte, 1, &byte, 1), 0u);
}

}  // namespace
