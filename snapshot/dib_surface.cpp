// Drawing surfaces.
#include "dib_surface.h"

bool CreateDibSurface(int width, int height, DibSurface* surface) {
    *surface = DibSurface{};
    if (width < 1 || height < 1) return false;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;
    surface->dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &surface->pixels, nullptr, 0);
    if (!surface->dib) return false;

    HDC screen = GetDC(nullptr);
    surface->dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    if (!surface->dc) {
        ReleaseDibSurface(surface);
        return false;
    }
    surface->previous = SelectObject(surface->dc, surface->dib);
    SetStretchBltMode(surface->dc, COLORONCOLOR);
    surface->bitsPerPixel = 32;
    surface->width = surface->width2 = width;
    surface->height = surface->height2 = height;
    return true;
}

void ReleaseDibSurface(DibSurface* surface) {
    if (surface->previous && surface->dc) SelectObject(surface->dc, surface->previous);
    if (surface->dc) DeleteDC(surface->dc);
    if (surface->dib) DeleteObject(surface->dib);
    *surface = DibSurface{};
}
