// The benchmarks' message loop: dispatches this thread's messages for a while, as the program's
// own loop would while a graph runs.
#pragma once
#include <windows.h>

inline void Pump(DWORD ms) {
    DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
}
