// Toolbar resource parsing.
#include "toolbar_resource.h"

namespace {

uint16_t Word(const unsigned char* p, size_t index) {
    return static_cast<uint16_t>(p[2 * index] | (p[2 * index + 1] << 8));
}

}  // namespace

std::optional<ToolbarResource> ParseToolbarResource(const void* data, size_t size) {
    constexpr size_t kHeaderWords = 4;
    if (!data || size < kHeaderWords * 2) return std::nullopt;
    auto* bytes = static_cast<const unsigned char*>(data);
    if (Word(bytes, 0) != 1) return std::nullopt;

    size_t count = Word(bytes, 3);
    if (size / 2 - kHeaderWords < count) return std::nullopt;

    ToolbarResource toolbar;
    toolbar.imageWidth = Word(bytes, 1);
    toolbar.imageHeight = Word(bytes, 2);
    toolbar.commandIds.reserve(count);
    for (size_t i = 0; i < count; ++i) toolbar.commandIds.push_back(Word(bytes, kHeaderWords + i));
    return toolbar;
}
