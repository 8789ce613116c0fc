// The rules that choose the frame size asked of the camera. Portable: no Windows header.
#pragma once
#include <cstdint>

// The camera's listed resolution that equals the wanted pair; failing that, the first whose
// width ratio to 640 is closest to 1 among those strictly between 0.9 and 1.2 times 640 x 480
// in both directions (single precision). Sets *width and *height, or leaves them unchanged
// when nothing qualifies. `widths` and `heights` are sorted, `count` entries.
void ChooseCaptureResolution(const int32_t* widths, const int32_t* heights, int32_t count,
                             int32_t wantedWidth, int32_t wantedHeight, int32_t* width,
                             int32_t* height);

// True when the list holds a resolution of at least 640 x 480 that the camera can run a
// recording at, so that snapshots are stretched back to the chosen smaller size.
bool NeedsSnapshotRescale(const int32_t* widths, const int32_t* heights, int32_t count);
