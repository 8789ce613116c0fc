// A drawing surface: a 32-bit top-down DIB section selected into a memory device context, so
// that pixels can be written directly and the surface drawn or stretched with GDI.
#pragma once
#include <windows.h>

struct DibSurface {
    int bitsPerPixel = 0;
    HDC dc = nullptr;
    HBITMAP dib = nullptr;
    HGDIOBJ previous = nullptr;  // what the device context held before the DIB
    void* pixels = nullptr;      // width x 4 bytes a row, the top row first
    int width = 0;
    int height = 0;
    int width2 = 0;
    int height2 = 0;
};

// False, with nothing left to release, when the surface cannot be made.
bool CreateDibSurface(int width, int height, DibSurface* surface);
void ReleaseDibSurface(DibSurface* surface);
