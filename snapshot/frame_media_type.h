// The camera frame layouts as DirectShow media types: which type is which layout, and the
// frame geometry a video type describes.
#pragma once
#include <windows.h>
#include <dshow.h>

#include "dshow/media_type.h"
#include "snapshot/frame_conversion.h"

// Frames this program converts are at most this many pixels on a side.
constexpr int kMaxFrameSide = 8192;

// The layout of a video type: its subtype, and for RGB the row order its bitmap header says
// (VideoInfo or VideoInfo2). False for a type that is none of ours.
bool LayoutOfType(const AM_MEDIA_TYPE& type, FrameLayout* layout);
// The video type's layout and size (|biHeight|): a VideoInfo or VideoInfo2 type of one of the
// layouts, 1 to kMaxFrameSide pixels a side. False for any other type.
bool ReadFrameType(const AM_MEDIA_TYPE& type, FrameLayout* layout, int* width, int* height);
// The frame size a bitmap header gives: 1 to kMaxFrameSide pixels a side, either row order.
bool ReadVideoSize(const BITMAPINFOHEADER& header, int* width, int* height);
// A video type with a VIDEOINFOHEADER of these frames; an empty type when out of memory.
CMediaType MakeVideoInfoType(const GUID& subtype, DWORD compression, WORD bitCount, int width, int height,
                             DWORD sizeImage, REFERENCE_TIME frameTime);
// The bitmap header of a VideoInfo or VideoInfo2 video type long enough to hold it, or null.
const BITMAPINFOHEADER* BitmapHeaderOf(const AM_MEDIA_TYPE& type);
// The frame interval (AvgTimePerFrame) of such a type; 0 for any other.
REFERENCE_TIME FrameTimeOf(const AM_MEDIA_TYPE& type);
