// Frame layouts and media types.
#include "frame_media_type.h"

#include <dvdmedia.h>

#include "grabber/video_format.h"

namespace {

struct LayoutSubtype {
    DWORD fourcc;
    FrameLayout layout;
};
constexpr LayoutSubtype kLayouts[] = {{MAKEFOURCC('Y', 'U', 'Y', '2'), FrameLayout::Yuy2},
                                      {MAKEFOURCC('U', 'Y', 'V', 'Y'), FrameLayout::Uyvy},
                                      {MAKEFOURCC('Y', 'V', '1', '2'), FrameLayout::Yv12},
                                      {MAKEFOURCC('I', '4', '2', '0'), FrameLayout::I420},
                                      {MAKEFOURCC('N', 'V', '1', '2'), FrameLayout::Nv12}};

}  // namespace

const BITMAPINFOHEADER* BitmapHeaderOf(const AM_MEDIA_TYPE& type) {
    return type.majortype == MEDIATYPE_Video ? VideoHeaderOf(type) : nullptr;
}

REFERENCE_TIME FrameTimeOf(const AM_MEDIA_TYPE& type) {
    if (!BitmapHeaderOf(type)) return 0;
    // At the same place in both headers, and inside the block when the bitmap header is.
    if (type.formattype == FORMAT_VideoInfo) return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->AvgTimePerFrame;
    return reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat)->AvgTimePerFrame;
}

bool LayoutOfType(const AM_MEDIA_TYPE& type, FrameLayout* layout) {
    GUID fourccType = MEDIASUBTYPE_YUY2;  // {XXXXXXXX-0000-0010-8000-00AA00389B71}
    for (const LayoutSubtype& entry : kLayouts) {
        fourccType.Data1 = entry.fourcc;
        if (type.subtype != fourccType) continue;
        *layout = entry.layout;
        return true;
    }
    bool rgb24 = type.subtype == MEDIASUBTYPE_RGB24;
    if (!rgb24 && type.subtype != MEDIASUBTYPE_RGB32) return false;
    const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
    if (!header || header->biBitCount != (rgb24 ? 24 : 32)) return false;
    bool topDown = header->biHeight < 0;
    *layout = rgb24 ? (topDown ? FrameLayout::Rgb24TopDown : FrameLayout::Rgb24)
                    : (topDown ? FrameLayout::Rgb32TopDown : FrameLayout::Rgb32);
    return true;
}

CMediaType MakeVideoInfoType(const GUID& subtype, DWORD compression, WORD bitCount, int width, int height,
                             DWORD sizeImage, REFERENCE_TIME frameTime) {
    CMediaType type(&MEDIATYPE_Video);
    type.SetSubtype(&subtype);
    type.SetFormatType(&FORMAT_VideoInfo);
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (!info) return CMediaType();
    info->AvgTimePerFrame = frameTime;
    info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info->bmiHeader.biWidth = width;
    info->bmiHeader.biHeight = height;
    info->bmiHeader.biPlanes = 1;
    info->bmiHeader.biBitCount = bitCount;
    info->bmiHeader.biCompression = compression;
    info->bmiHeader.biSizeImage = sizeImage;
    type.bFixedSizeSamples = compression == BI_RGB || subtype != MEDIASUBTYPE_MJPG;
    type.bTemporalCompression = FALSE;
    type.lSampleSize = type.bFixedSizeSamples ? sizeImage : 0;
    return type;
}

bool ReadFrameType(const AM_MEDIA_TYPE& type, FrameLayout* layout, int* width, int* height) {
    const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
    return header && LayoutOfType(type, layout) && ReadVideoSize(*header, width, height);
}

bool ReadVideoSize(const BITMAPINFOHEADER& header, int* width, int* height) {
    LONG w = header.biWidth, h = header.biHeight;
    // A negative height (top-down) describes the same frame.
    if (w < 1 || w > kMaxFrameSide || h == 0 || h < -kMaxFrameSide || h > kMaxFrameSide)
        return false;
    *width = static_cast<int>(w);
    *height = static_cast<int>(h < 0 ? -h : h);
    return true;
}
