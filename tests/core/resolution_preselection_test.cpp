// The options dialog's resolution preselection, case by case.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ui/resolution_preselection.h"

namespace {

int32_t Preselect(const std::vector<std::pair<int32_t, int32_t>>& list, int32_t storedW,
                  int32_t storedH, int32_t before) {
    std::vector<int32_t> w, h;
    for (auto [x, y] : list) w.push_back(x), h.push_back(y);
    PreselectResolution(w.data(), h.data(), static_cast<int32_t>(w.size()), storedW, storedH, &before);
    return before;
}

TEST(PreselectResolution, Cases) {
    struct Case {
        const char* what;
        std::vector<std::pair<int32_t, int32_t>> list;
        int32_t storedW, storedH, before, expected;
    };
    const Case cases[] = {
        {"stored 1280x720 wins over an earlier 640x480", {{640, 480}, {1280, 720}}, 1280, 720, 0, 1},
        {"no stored value: 640x480", {{320, 240}, {640, 480}, {800, 600}}, 0, 0, 0, 1},
        {"closest width ratio", {{704, 480}, {720, 480}, {760, 570}}, 0, 0, 2, 0},
        {"exactly 1.2 never qualifies", {{768, 576}}, 0, 0, 5, 5},
        {"exactly 0.9 never qualifies", {{576, 432}}, 0, 0, 3, 3},
        {"height ratio exactly 1.2", {{704, 576}}, 0, 0, 7, 7},
        {"720x480 qualifies", {{720, 480}}, 0, 0, 9, 0},
        {"nothing in the band keeps the index from before", {{320, 240}, {1920, 1080}}, 0, 0, 4, 4},
        {"a stored size after a candidate still wins", {{640, 480}, {800, 600}}, 800, 600, 0, 1},
        {"a candidate after the stored size does not", {{800, 600}, {640, 480}}, 800, 600, 0, 0},
        {"stored size not listed: the band", {{640, 480}}, 1024, 768, 3, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Preselect(c.list, c.storedW, c.storedH, c.before), c.expected) << c.what;
}

}  // namespace
