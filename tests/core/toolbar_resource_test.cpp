// Parsing of toolbar resources.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/toolbar_resource.h"

namespace {

std::vector<uint8_t> Words(std::initializer_list<uint16_t> words) {
    std::vector<uint8_t> bytes;
    for (uint16_t w : words) {
        bytes.push_back(static_cast<uint8_t>(w & 0xFF));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    return bytes;
}

TEST(ToolbarResource, ReadsImageSizeAndCommandsWithSeparators) {
    auto bytes = Words({1, 82, 48, 4, 32771, 0, 32772, 32775});
    auto toolbar = ParseToolbarResource(bytes.data(), bytes.size());
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(toolbar->imageWidth, 82);
    EXPECT_EQ(toolbar->imageHeight, 48);
    EXPECT_EQ(toolbar->commandIds, (std::vector<uint16_t>{32771, 0, 32772, 32775}));
}

TEST(ToolbarResource, RefusesOtherVersionsAndShortData) {
    auto otherVersion = Words({2, 82, 48, 1, 32771});
    EXPECT_FALSE(ParseToolbarResource(otherVersion.data(), otherVersion.size()));

    // The 32-bit layout some resource compilers write for TOOLBAR statements.
    auto wideLayout = Words({82, 0, 48, 0, 1, 0, 32771, 0});
    EXPECT_FALSE(ParseToolbarResource(wideLayout.data(), wideLayout.size()));

    auto itemsMissing = Words({1, 82, 48, 3, 32771, 32772});
    EXPECT_FALSE(ParseToolbarResource(itemsMissing.data(), itemsMissing.size()));
    auto headerCut = Words({1, 82, 48});
    EXPECT_FALSE(ParseToolbarResource(headerCut.data(), headerCut.size()));
    EXPECT_FALSE(ParseToolbarResource(nullptr, 16));

    auto oddByte = Words({1, 82, 48, 1, 32771});
    oddByte.push_back(0);
    EXPECT_TRUE(ParseToolbarResource(oddByte.data(), oddByte.size()));
}

TEST(ToolbarResource, EmptyToolbar) {
    auto bytes = Words({1, 16, 15, 0});
    auto toolbar = ParseToolbarResource(bytes.data(), bytes.size());
    ASSERT_TRUE(toolbar);
    EXPECT_TRUE(toolbar->commandIds.empty());
}

}  // namespace
