// Time from WM_SNAPSHOT to the picture on disk (the handler's whole work: conversion, naming,
// BMP or JPEG encoding and writing) for 640x480 and 1920x1080 YUY2 frames. Runs under Wine;
// Google Benchmark is not built for Windows here, so this is a small timing loop reporting the
// median and the fastest of its runs.
#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "framework/modal_seam.h"
#include "settings/settings_store.h"
#include "snapshot/snapshot_pipeline.h"

namespace {

void EmptyFolder(const wchar_t* folder) {
    WIN32_FIND_DATAW found;
    std::wstring pattern = std::wstring(folder) + L"\\*";
    HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileW((std::wstring(folder) + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

double Run(int width, int height, int format, int runs, double* fastest) {
    size_t bytes = static_cast<size_t>(width) * height * 2;
    std::vector<BYTE> frame(bytes);
    for (size_t i = 0; i < bytes; ++i) frame[i] = static_cast<BYTE>(i * 37 + i / 777);
    g_settings.captureFormat = format;
    g_videoSubtype = 2;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        SnapshotFrame* block = NewSnapshotFrame(frame.data(), bytes);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        OnSnapshotFrame(reinterpret_cast<WPARAM>(block), static_cast<LPARAM>(width) << 16 | height);
        QueryPerformanceCounter(&end);
        times.push_back(1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
        EmptyFolder(g_settings.capturePath);
    }
    std::sort(times.begin(), times.end());
    *fastest = times.front();
    return times[times.size() / 2];
}

}  // namespace

int wmain() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    AfxModalSeam().messageBox = [](HWND, LPCWSTR text, LPCWSTR, UINT) {
        fwprintf(stderr, L"%ls\n", text);
        return IDOK;
    };
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    swprintf(g_settings.capturePath, kPathCapacity, L"%lssnapshot-bench-%lu", temp, GetCurrentProcessId());
    CreateDirectoryW(g_settings.capturePath, nullptr);

    struct Case {
        int width, height, format, runs;
        const char* name;
    } cases[] = {{640, 480, 1, 30, "BMP"}, {640, 480, 0, 30, "JPEG"},
                 {1920, 1080, 1, 10, "BMP"}, {1920, 1080, 0, 10, "JPEG"}};
    std::printf("%-28s %12s %12s\n", "snapshot to file", "median ms", "fastest ms");
    for (const Case& c : cases) {
        double fastest = 0;
        double median = Run(c.width, c.height, c.format, c.runs, &fastest);
        char name[64];
        std::snprintf(name, sizeof(name), "SnapshotToFile/%s/%d/%d", c.name, c.width, c.height);
        std::printf("%-28s %12.2f %12.2f\n", name, median, fastest);
    }
    RemoveDirectoryW(g_settings.capturePath);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
