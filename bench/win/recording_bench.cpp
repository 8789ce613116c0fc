// A recording of the program as Webcam records where there is no Windows Media runtime: the
// virtual camera (640x480 YUY2, 30 frames a second, or the one format a third argument gives,
// e.g. "NV12 1920 1080 333333", recorded at that size) and microphone for a minute (or the
// seconds given; a second argument runs the microphone's clock that many millionths fast), then what
// the AVI file holds: frames the camera delivered that are missing from it (repeated slots),
// how far the sound drifted from the stream's time (the microphone's click at each second of
// stream time, found in the sound), and the bit rate. Runs under Wine in a prefix with the
// virtual devices registered (scripts/bench.sh).
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "app/main_dlg.h"
#include "capture/capture_session.h"
#include "recorder/jpeg_compressor.h"
#include "capture/capture_state.h"
#include "framework/modal_seam.h"
#include "message_pump.h"
#include "resources/resource.h"
#include "settings/settings_store.h"
#include "virtual_devices.h"

namespace {

const CLSID kCamera = {0x5c7d3b2e, 0x1234, 0x4e61, {0x8d, 0x0b, 0x6a, 0x1f, 0x2e, 0x3c, 0x4d, 0x60}};
const CLSID kMicrophone = {0x5c7d3b2e, 0x1234, 0x4e61, {0x8d, 0x0b, 0x6a, 0x1f, 0x2e, 0x3c, 0x4d, 0x61}};

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

struct Counts {
    size_t videoSlots = 0;
    std::set<uint64_t> videoChunks;  // distinct frames
    uint64_t audioBlocks = 0;
    std::vector<int16_t> left;  // the sound's left channel
    uint32_t microsecondsPerFrame = 33333;  // the main header's
};

// The standard indexes ('ix00', 'ix01') of every 'movi' list of every RIFF.
void Walk(const std::vector<uint8_t>& b, size_t at, size_t end, uint16_t block, Counts& counts) {
    while (at + 8 <= end) {
        std::string tag(b.begin() + at, b.begin() + at + 4);
        uint32_t size = U32(b, at + 4);
        if (tag == "RIFF" || tag == "LIST") {
            Walk(b, at + 12, at + 8 + size, block, counts);
        } else if (tag == "avih") {
            counts.microsecondsPerFrame = U32(b, at + 8);
        } else if (tag == "ix00" || tag == "ix01") {
            uint32_t entries = U32(b, at + 12);
            uint64_t base = U32(b, at + 20) | static_cast<uint64_t>(U32(b, at + 24)) << 32;
            for (uint32_t i = 0; i < entries; ++i) {
                uint32_t offset = U32(b, at + 32 + 8 * i), length = U32(b, at + 36 + 8 * i) & 0x7FFFFFFF;
                if (tag == "ix00") {
                    ++counts.videoSlots;
                    if (length) counts.videoChunks.insert(base + offset);  // empty: a repeat
                } else {
                    counts.audioBlocks += block ? length / block : 0;
                    for (uint32_t at = 0; block && at + block <= length; at += block)
                        counts.left.push_back(static_cast<int16_t>(b[base + offset + at] | b[base + offset + at + 1] << 8));
                }
            }
        }
        at += 8 + size + (size & 1);
    }
}


// The largest distance, in milliseconds, of the clicks (one a second of stream time) from
// whole seconds after the first one.
double ClickDrift(const std::vector<int16_t>& sound) {
    std::vector<size_t> clicks;
    for (size_t i = 0; i < sound.size(); ++i)
        if (sound[i] > 31000 && (clicks.empty() || i - clicks.back() > 22050)) clicks.push_back(i);
    double worst = 0;
    for (size_t n = 1; n < clicks.size(); ++n) {
        double seconds = (clicks[n] - clicks[0]) / 44100.0;
        worst = std::max(worst, std::fabs(seconds - std::round(seconds)));
    }
    return clicks.size() > 1 ? worst * 1000 : -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int seconds = argc > 1 ? _wtoi(argv[1]) : 60;
    DWORD clockPpm = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 0;
    const wchar_t* format = argc > 3 ? argv[3] : L"YUY2 640 480 333333";
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AfxModalSeam().messageBox = [](HWND, LPCWSTR text, LPCWSTR, UINT) {
        std::fwprintf(stderr, L"message: %ls\n", text);
        return IDOK;
    };
    // No Windows Media runtime here; a prefix with the test stand-ins gets them switched off.
    DWORD absent = 1;
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\WebcamTest\\WindowsMedia", L"Absent", REG_DWORD, &absent, 4);
    VirtualCameraDescription camera{L"Bench camera", format, FALSE, 0, 0};
    if (FAILED(RegisterVirtualCamera(&kCamera, &camera)) ||
        FAILED(RegisterVirtualMicrophone(&kMicrophone, L"Bench microphone", L"Microphone"))) {
        std::printf("the virtual devices are not there (run through scripts/bench.sh)\n");
        return 1;
    }
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\WebcamTest\\Devices\\{5C7D3B2E-1234-4E61-8D0B-6A1F2E3C4D61}",
                    L"ClockPpm", REG_DWORD, &clockPpm, 4);
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    std::wstring records = std::wstring(folder) + L"recording-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(records.c_str(), nullptr);

    int result = 1;
    {
        CZevuvArividDlg window;
        window.Create(IDD_ZEVUVARIVID_DIALOG);
        wcscpy(g_settings.recordPath, records.c_str());
        g_settings.recordAtPreviewResolution = argc > 3;
        SendMessageW(window.m_hWnd, WM_COMMAND, ID_RECORD, 0);
        if (g_captureState == Recording) {
            Pump(static_cast<DWORD>(seconds) * 1000);
            if (g_recordingCompressor)
                std::printf("frames the compressor dropped (the machine not keeping up): %u\n",
                            g_recordingCompressor->FramesDropped());
            SendMessageW(window.m_hWnd, WM_COMMAND, ID_STOP, 0);
            result = 0;
        }
        window.CloseSequence();
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((records + L"\\*.avi").c_str(), &found);
    if (result == 0 && search != INVALID_HANDLE_VALUE) {
        std::wstring file = records + L"\\" + found.cFileName;
        FindClose(search);
        HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        LARGE_INTEGER size{};
        GetFileSizeEx(handle, &size);
        std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ReadFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
        CloseHandle(handle);
        DeleteFileW(file.c_str());
        Counts counts;
        Walk(bytes, 0, bytes.size(), 4, counts);  // 16-bit stereo
        double video = counts.videoSlots * (counts.microsecondsPerFrame / 1e6), audio = counts.audioBlocks / 44100.0;
        double missing = counts.videoSlots ? 100.0 * (counts.videoSlots - counts.videoChunks.size()) / counts.videoSlots : 100;
        std::printf("%ls, ", format);
        std::printf("recording of %d s at %.2f frames a second: %zu frame slots, %zu frames from the camera, %.2f %% missing\n",
                    seconds, 1e6 / counts.microsecondsPerFrame, counts.videoSlots, counts.videoChunks.size(), missing);
        std::printf("video %.3f s, audio %.3f s; microphone clock %+ld ppm: sound at most %.1f ms off "
                    "its time; %.1f MB per minute\n", video, audio, static_cast<long>(clockPpm),
                    ClickDrift(counts.left), bytes.size() / (1024.0 * 1024.0) / (video / 60));
    } else {
        std::printf("no recording was made\n");
        result = 1;
    }
    RemoveDirectoryW(records.c_str());
    UnregisterVirtualDevice(&kCamera);
    UnregisterVirtualDevice(&kMicrophone);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\WebcamTest\\WindowsMedia", L"Absent");
    return result;
}
