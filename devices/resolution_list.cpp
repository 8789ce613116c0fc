// Resolution lists.
#include "resolution_list.h"

#include <utility>

bool AddDistinctResolution(int32_t* widths, int32_t* heights, int32_t* count, int32_t capacity,
                           int32_t width, int32_t height) {
    for (int32_t i = 0; i < *count; ++i)
        if (widths[i] == width && heights[i] == height) return true;
    if (*count >= capacity) return false;
    widths[*count] = width;
    heights[*count] = height;
    ++*count;
    return true;
}

void SortResolutions(int32_t* widths, int32_t* heights, int32_t count) {
    for (int32_t i = 0; i < count; ++i)
        for (int32_t j = i + 1; j < count; ++j)
            if (widths[i] > widths[j] || (widths[i] == widths[j] && heights[i] > heights[j])) {
                std::swap(widths[i], widths[j]);
                std::swap(heights[i], heights[j]);
            }
}
