// Resolution rules.
#include "resolution_choice.h"

#include <cmath>

void ChooseCaptureResolution(const int32_t* widths, const int32_t* heights, int32_t count,
                             int32_t wantedWidth, int32_t wantedHeight, int32_t* width,
                             int32_t* height) {
    float best = 10.0f;
    for (int32_t i = 0; i < count; ++i) {
        if (widths[i] == wantedWidth && heights[i] == wantedHeight) {
            *width = widths[i];
            *height = heights[i];
            return;
        }
        float rw = static_cast<float>(widths[i]) / 640.0f;
        float rh = static_cast<float>(heights[i]) / 480.0f;
        if (!(0.9 < rw && rw < 1.2 && 0.9 < rh && rh < 1.2)) continue;
        float distance = std::fabs(rw - 1.0f);
        if (distance < best) {
            best = distance;
            *width = widths[i];
            *height = heights[i];
        }
    }
}

bool NeedsSnapshotRescale(const int32_t* widths, const int32_t* heights, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        if (widths[i] < 640 || heights[i] < 480) continue;
        float product = std::fabs(static_cast<float>(widths[i]) / 640.0f - 1.0f) *
                        std::fabs(static_cast<float>(heights[i]) / 480.0f - 1.0f);
        if (product < 100.0f) return true;
    }
    return false;
}
