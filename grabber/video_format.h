// Reading the bitmap header of a video media type.
#pragma once
#include <windows.h>
#include <dshow.h>

// The BITMAPINFOHEADER of a VideoInfo (at byte 48) or VideoInfo2 (at byte 72) format block
// that is long enough to hold it; null for any other format.
const BITMAPINFOHEADER* VideoHeaderOf(const AM_MEDIA_TYPE& type);
// 1 for VideoInfo, 2 for VideoInfo2, 0 for any other format type.
int VideoFormatKind(const AM_MEDIA_TYPE& type);
