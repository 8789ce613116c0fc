// Which item of the options dialog's resolution list is preselected for a camera. Portable:
// no Windows header.
#pragma once
#include <cstdint>

// The item equal to the stored resolution; failing that, the first whose width ratio to 640 is
// closest to 1 among those with both ratios (to 640 and 480, in single precision) within the
// double-precision bounds 0.9 and 1.2, bounds included (a ratio of exactly 0.9 or 1.2 is in
// single precision just outside them). Leaves *index as it was when nothing qualifies.
void PreselectResolution(const int32_t* widths, const int32_t* heights, int32_t count,
                         int32_t storedWidth, int32_t storedHeight, int32_t* index);
