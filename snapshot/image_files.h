// Snapshot files: a 32-bit bottom-up BMP, or a quality-80 JPEG through GDI+ (which the main
// window starts).
#pragma once
#include <windows.h>

#include <cstdint>

#include "snapshot/dib_surface.h"

// Writes a new file (an existing one is never replaced) from top-down pixels. E_FAIL when it
// cannot be created or fully written; a partial file is removed.
HRESULT SaveBmp32(int width, int height, const uint8_t* pixels, const wchar_t* fileName);
// Writes `bytes` to `file`, which is closed; on a failed write the file named `fileName` is
// removed. True when everything was written.
bool WriteAllOrRemove(HANDLE file, const wchar_t* fileName, const uint8_t* bytes, size_t count);

// The index of the first encoder whose MIME type is exactly "image/jpeg", with its class
// identifier; -1 when there is none.
int FindEncoderClsid(CLSID* clsid);
// 0 on success, non-zero on failure.
int SaveJpeg(const wchar_t* fileName, const DibSurface& surface);
