// Matching stored device IDs, cut ones included.
#include "devices/device_id.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DeviceIdMatches, EqualNamesOrACutIdThatFillsItsField) {
    const std::wstring longName = L"@device:pnp:\\\\?\\usb#" + std::wstring(300, L'a');
    const std::wstring cut = longName.substr(0, 255);
    struct {
        std::wstring display, stored;
        bool matches;
    } cases[] = {
        {L"@device:sw:{a}\\{b}", L"@device:sw:{a}\\{b}", true},
        {L"@device:sw:{a}\\{b}", L"@DEVICE:SW:{A}\\{B}", false},  // case counts
        {L"@device:sw:{a}\\{b}c", L"@device:sw:{a}\\{b}", false},  // a short ID is never a prefix
        {longName, cut, true},                                     // cut to 255 characters
        {longName, cut.substr(0, 254), false},
        {cut, cut, true},
        {L"@device:other" + longName, cut, false},
        {L"", L"", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DeviceIdMatches(c.display.c_str(), c.stored.c_str(), 256), c.matches)
            << std::string(c.stored.begin(), c.stored.begin() + std::min<size_t>(c.stored.size(), 40));
}

}  // namespace
