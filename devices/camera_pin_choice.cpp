// The camera's video pin.
#include "camera_pin_choice.h"

namespace {

int FirstFree(const PinFacts* pins, size_t count, bool (*wanted)(const PinFacts&)) {
    for (size_t i = 0; i < count; ++i)
        if (pins[i].output && !pins[i].connected && wanted(pins[i])) return static_cast<int>(i);
    return -1;
}

}  // namespace

int ChooseCameraPin(const PinFacts* pins, size_t count) {
    // A category alone is not enough: a device may give its sound pin the capture category too.
    int found = FirstFree(pins, count, [](const PinFacts& p) { return p.category == PinCategory::Capture && p.offersVideo; });
    if (found < 0)
        found = FirstFree(pins, count, [](const PinFacts& p) { return p.category == PinCategory::Preview && p.offersVideo; });
    if (found >= 0) return found;
    for (size_t i = 0; i < count; ++i)
        if (pins[i].category != PinCategory::None) return -1;  // categories, but no video pin among them
    return FirstFree(pins, count, [](const PinFacts& p) { return p.offersVideo; });
}
