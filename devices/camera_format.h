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
    int64_t slowestInterval = 0;  // where its capability offers a range: the longest interval
};

// The subtypes the program takes from a camera: the four YUV layouts it always took, and NV12,
// RGB32, RGB24 and Motion-JPEG.
enum class CameraSubtype { Yuy2, Uyvy, I420, Yv12, Nv12, Rgb32, Rgb24, Mjpg, Other };
CameraSubtype SubtypeOf(const CameraFormatView& type);
// YUY2, UYVY, I420 or YV12.
bool IsOriginalLayout(CameraSubtype subtype);

// Video, a VIDEOINFOHEADER format block of at least 88 bytes or a VIDEOINFOHEADER2 block of at
// least 112, and one of the subtypes above.
bool IsAcceptedCameraFormat(const CameraFormatView& type);

// One accepted format a camera offers.
struct FormatOffer {
    CameraSubtype subtype;
    int32_t width;
    int32_t height;
    int64_t frameInterval;  // 100-ns units; 0 or less: not said
    int64_t slowestInterval = 0;  // where it offers a range of intervals: the longest
};
// Which offer runs for a frame size, or -1 when none has it. With a frame rate chosen (whole
// frames a second, 0: the highest) the first offer of an original layout with the size at that
// rate, else the first of the other subtypes at it (NV12, RGB32, RGB24, then Motion-JPEG); where
// none runs at that rate, or none was chosen: where one of the original layouts offers the size
// at the highest frame rate any offer has for it, the first offer of an original layout with the
// size at that rate; otherwise the fastest of the other subtypes, NV12 before RGB32, RGB24 and
// Motion-JPEG among equal rates.
int ChooseCameraFormat(const FormatOffer* offers, size_t count, int32_t width, int32_t height, int32_t rate = 0);
// The size and frame interval of a VIDEOINFOHEADER or VIDEOINFOHEADER2 block; false for any
// other format or one too short.
bool ReadVideoInfo(const CameraFormatView& type, VideoInfoFacts* facts);
// Sets the frame interval (AvgTimePerFrame, at the same place in both video headers); false
// when the block is too short.
bool WriteFrameInterval(uint8_t* format, size_t formatLength, int64_t frameInterval);
