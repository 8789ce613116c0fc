// The recording's status.
#include "recording_status.h"

#include <windows.h>

#include <cwchar>

#include "framework/ui_texts.h"
#include "resources/resource.h"

std::wstring g_recordingFile;

namespace {

constexpr uint64_t kLowFreeBytes = 200ull * 1000 * 1000;
constexpr double kLowFreeSeconds = 120;
constexpr int kDiskCheckEvery = 10;  // updates, one a second

struct Status {
    bool running = false;
    ULONGLONG since = 0;     // GetTickCount64 when the recording began
    ULONGLONG until = 0;     // ... and when frames last came, at an update
    unsigned frames = 0;     // counted at the last update
    uint64_t bytes = 0;      // the file's size at the last update
    uint64_t checkedAt = 0;  // its size at the last check of the disk
    int updates = 0;
    bool lowDiskSpace = false;
    bool dropped = false;    // frames were dropped
} g_status;

uint64_t FileBytes(const std::wstring& file) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (file.empty() || !GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::wstring FolderOf(const std::wstring& file) {
    size_t slash = file.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : file.substr(0, slash + 1);
}

}  // namespace

bool DiskSpaceLow(const std::wstring& folder, double bytesPerSecond) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) return false;
    return available.QuadPart < kLowFreeBytes ||
           (bytesPerSecond > 0 && available.QuadPart < bytesPerSecond * kLowFreeSeconds);
}

void BeginRecordingStatus() {
    g_status = Status();
    g_status.running = true;
    g_status.since = g_status.until = GetTickCount64();
    g_status.lowDiskSpace = DiskSpaceLow(FolderOf(g_recordingFile), 0);
}

void EndRecordingStatus() { g_status.running = false; }

void UpdateRecordingStatus(unsigned frames, unsigned dropped) {
    if (!g_status.running) return;
    g_status.dropped = dropped > 0;
    if (frames != g_status.frames) {
        g_status.frames = frames;
        g_status.until = GetTickCount64();
    }
    g_status.bytes = FileBytes(g_recordingFile);
    if (++g_status.updates % kDiskCheckEvery != 0) return;
    const double rate = g_status.bytes > g_status.checkedAt ? double(g_status.bytes - g_status.checkedAt) / kDiskCheckEvery : 0;
    g_status.checkedAt = g_status.bytes;
    g_status.lowDiskSpace = DiskSpaceLow(FolderOf(g_recordingFile), rate);
}

std::wstring RecordingStatusText(bool withoutSound) {
    const ULONGLONG seconds = (g_status.until - g_status.since) / 1000;
    wchar_t time[32], size[32];
    swprintf(time, 32, L"%02llu:%02llu:%02llu", seconds / 3600, seconds / 60 % 60, seconds % 60);
    swprintf(size, 32, L"%.1f", g_status.bytes / (1024.0 * 1024.0));
    std::wstring text = Text(withoutSound ? IDS_TITLE_RECORDING_WITHOUT_SOUND : IDS_TITLE_RECORDING, {time, size});
    if (g_status.dropped) text += L" - " + Text(IDS_TITLE_FRAMES_DROPPED);
    if (g_status.lowDiskSpace) text += L" - " + Text(IDS_TITLE_LOW_DISK_SPACE);
    return text;
}
