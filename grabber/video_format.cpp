// Video format blocks.
#include "video_format.h"

#include <dvdmedia.h>
#include <uuids.h>

int VideoFormatKind(const AM_MEDIA_TYPE& type) {
    if (type.formattype == FORMAT_VideoInfo) return 1;
    if (type.formattype == FORMAT_VideoInfo2) return 2;
    return 0;
}

const BITMAPINFOHEADER* VideoHeaderOf(const AM_MEDIA_TYPE& type) {
    size_t offset = 0;
    switch (VideoFormatKind(type)) {
        case 1: offset = offsetof(VIDEOINFOHEADER, bmiHeader); break;
        case 2: offset = offsetof(VIDEOINFOHEADER2, bmiHeader); break;
        default: return nullptr;
    }
    if (!type.pbFormat || type.cbFormat < offset + sizeof(BITMAPINFOHEADER)) return nullptr;
    return reinterpret_cast<const BITMAPINFOHEADER*>(type.pbFormat + offset);
}
