// The resolution rules, case by case.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "devices/resolution_choice.h"

namespace {

using Sizes = std::vector<std::pair<int32_t, int32_t>>;

std::pair<int32_t, int32_t> Choose(const Sizes& list, int32_t wantedW, int32_t wantedH,
                                   std::pair<int32_t, int32_t> before = {0, 0}) {
    std::vector<int32_t> w, h;
    for (auto [x, y] : list) w.push_back(x), h.push_back(y);
    ChooseCaptureResolution(w.data(), h.data(), static_cast<int32_t>(w.size()), wantedW, wantedH,
                            &before.first, &before.second);
    return before;
}

TEST(ChooseCaptureResolution, Cases) {
    struct Case {
        const char* what;
        Sizes list;
        std::pair<int32_t, int32_t> wanted, before, chosen;
    };
    const Case cases[] = {
        {"a stored size the camera lists wins over 640x480", {{640, 480}, {1280, 720}}, {1280, 720}, {0, 0}, {1280, 720}},
        {"no stored size: 640x480", {{320, 240}, {640, 480}, {800, 600}}, {0, 0}, {0, 0}, {640, 480}},
        {"720x480 is a candidate (1.125 by 1.0)", {{352, 288}, {720, 480}}, {0, 0}, {0, 0}, {720, 480}},
        {"the first of equal distances", {{640, 480}, {640, 512}}, {0, 0}, {0, 0}, {640, 480}},
        {"closest width ratio", {{704, 480}, {720, 480}, {760, 570}}, {0, 0}, {0, 0}, {704, 480}},
        {"exactly 0.9 and 1.2 never qualify", {{576, 432}, {768, 576}}, {0, 0}, {320, 240}, {320, 240}},
        {"height ratio exactly 1.2", {{704, 576}}, {0, 0}, {0, 0}, {0, 0}},
        {"widths 577 and 767 qualify", {{577, 480}}, {0, 0}, {0, 0}, {577, 480}},
        {"width 767 qualifies", {{767, 480}}, {0, 0}, {0, 0}, {767, 480}},
        {"heights 433 and 575", {{640, 433}}, {0, 0}, {0, 0}, {640, 433}},
        {"empty list keeps the previous", {}, {640, 480}, {1280, 720}, {1280, 720}},
        {"stored size not listed falls back to the band", {{640, 480}, {800, 600}}, {1024, 768}, {0, 0}, {640, 480}},
    };
    for (const Case& c : cases) EXPECT_EQ(Choose(c.list, c.wanted.first, c.wanted.second, c.before), c.chosen) << c.what;
}

TEST(NeedsSnapshotRescale, OnlyWithAResolutionOfAtLeast640By480) {
    auto needs = [](const Sizes& list) {
        std::vector<int32_t> w, h;
        for (auto [x, y] : list) w.push_back(x), h.push_back(y);
        return NeedsSnapshotRescale(w.data(), h.data(), static_cast<int32_t>(w.size()));
    };
    EXPECT_TRUE(needs({{320, 240}, {640, 480}}));
    EXPECT_TRUE(needs({{320, 240}, {1920, 1080}}));
    EXPECT_FALSE(needs({{320, 240}, {640, 360}, {352, 480}}));
    EXPECT_FALSE(needs({}));
}

}  // namespace
