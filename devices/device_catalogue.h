// The catalogue of capture devices (cameras with their usable resolutions, audio capture
// devices with their input lines) and the current selection. User-interface thread only.
// Entries from a table's count on are all zero, so entry 0 of an empty table reads as empty.
#pragma once
#include <cstdint>

constexpr int kMaxDevices = 20;
constexpr int kMaxResolutions = 40;
constexpr int kMaxRates = 12;  // frame rates of a resolution
constexpr int kMaxInputs = 40;
constexpr int kNameCapacity = 256;  // 255 characters and the terminator

struct VideoDeviceInfo {
    wchar_t friendlyName[kNameCapacity];
    wchar_t deviceId[kNameCapacity];  // the moniker's display name
    int32_t resolutionCount;          // 0 to 40
    int32_t widths[kMaxResolutions];  // distinct pairs, ascending by width, then height
    int32_t heights[kMaxResolutions];
    // Each resolution's frame rates (whole frames a second), distinct, from the highest down.
    int32_t rateCounts[kMaxResolutions];
    int32_t rates[kMaxResolutions][kMaxRates];
};

struct AudioDeviceInfo {
    wchar_t friendlyName[kNameCapacity];
    wchar_t deviceId[kNameCapacity];
    int32_t inputCount;
    wchar_t inputNames[kMaxInputs][kNameCapacity];  // in the filter's pin order
};

extern VideoDeviceInfo g_videoDevices[kMaxDevices];
extern int g_videoDeviceCount;
extern AudioDeviceInfo g_audioDevices[kMaxDevices];
extern int g_audioDeviceCount;

extern int g_videoDeviceIndex;
extern wchar_t g_videoDeviceName[kNameCapacity];
extern wchar_t g_videoDeviceID[kNameCapacity];
extern int g_audioDeviceIndex;
extern wchar_t g_audioDeviceName[kNameCapacity];
extern int g_audioInputIndex;

// Zeroes both tables and their counts.
void ResetDeviceTables();
// Selects entry 0 of both tables and input 0.
void SelectFirstDevices();
// The first camera whose device ID is `id`, or -1 (exact, case-sensitive comparison).
int FindVideoDeviceById(const wchar_t* id);
// The first audio device whose friendly name is `name`, or -1.
int FindAudioDeviceByName(const wchar_t* name);
// Copies `source` into a name field, truncated to 255 characters and always terminated.
void CopyName(wchar_t (&destination)[kNameCapacity], const wchar_t* source);
