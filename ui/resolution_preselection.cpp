// Resolution preselection.
#include "resolution_preselection.h"

#include <cmath>

void PreselectResolution(const int32_t* widths, const int32_t* heights, int32_t count,
                         int32_t storedWidth, int32_t storedHeight, int32_t* index) {
    float best = 10.0f;
    bool exact = false;
    for (int32_t i = 0; i < count; ++i) {
        if (widths[i] == storedWidth && heights[i] == storedHeight) {
            *index = i;
            exact = true;
        } else if (!exact) {
            float rw = static_cast<float>(widths[i]) / 640.0f;
            float rh = static_cast<float>(heights[i]) / 480.0f;
            if (0.9 <= rw && rw <= 1.2 && 0.9 <= rh && rh <= 1.2) {
                float distance = std::fabs(rw - 1.0f);
                if (distance < best) {
                    best = distance;
                    *index = i;
                }
            }
        }
    }
}
