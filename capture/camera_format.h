// Which camera formats the program can use, read from the bytes of a media type. Portable: no
// Windows header; GUIDs are compared by their standard 16-byte layout.
#pragma once
#include <cstddef>
#include <cstdint>

struct MediaGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

bool operator==(const MediaGuid& a, const MediaGuid& b);

// The parts of a media type the rules look at.
struct CameraFormatView {
    MediaGuid majorType;
    MediaGuid subtype;
    MediaGuid formatType;
    const uint8_t* format;  // the format block, or null
    size_t formatLength;
};

struct VideoInfoFacts {
    int32_t width;          // biWidth
    int32_t height;         // biHeight
    int64_t frameInterval;  // AvgTimePerFrame, 100-ns units
};

// Video, a VIDEOINFOHEADER format block of at least 88 bytes, and subtype YUY2, UYVY, I420 or
// YV12.
bool IsAcceptedCameraFormat(const CameraFormatView& type);
// The size and frame interval of a VIDEOINFOHEADER block; false when it is too short.
bool ReadVideoInfo(const CameraFormatView& type, VideoInfoFacts* facts);
// Sets the frame interval in a VIDEOINFOHEADER block; false when it is too short.
bool WriteFrameInterval(uint8_t* format, size_t formatLength, int64_t frameInterval);
