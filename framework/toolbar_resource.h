// The layout of a toolbar resource (resource type 241): version 1, image width, image height,
// item count, then one command id per item, all 16-bit little-endian; id 0 is a separator.
// Portable: no Windows header.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

struct ToolbarResource {
    uint16_t imageWidth = 0;
    uint16_t imageHeight = 0;
    std::vector<uint16_t> commandIds;  // 0 for a separator
};

// The toolbar described by `size` bytes at `data`, or nothing when they do not hold a version 1
// toolbar with all its items.
std::optional<ToolbarResource> ParseToolbarResource(const void* data, size_t size);
