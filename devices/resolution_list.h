// The list of a camera's usable resolutions: distinct width and height pairs, at most the
// list's capacity, sorted by width and then by height. Portable: no Windows header.
#pragma once
#include <cstdint>

// Appends (width, height) unless the pair is listed already or the list is full; true when
// the pair is in the list afterwards.
bool AddDistinctResolution(int32_t* widths, int32_t* heights, int32_t* count, int32_t capacity,
                           int32_t width, int32_t height);

// An exchange sort over index pairs i < j: ascending by width, then by height.
void SortResolutions(int32_t* widths, int32_t* heights, int32_t count);
