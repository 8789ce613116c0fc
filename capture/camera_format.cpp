// Accepted camera formats.
#include "camera_format.h"

#include <cstring>
#include <initializer_list>

namespace {

// The base of the four-character-code subtypes: XXXXXXXX-0000-0010-8000-00AA00389B71.
constexpr MediaGuid FourCcGuid(uint32_t fourcc) {
    return {fourcc, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}

constexpr uint32_t FourCc(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

constexpr MediaGuid kVideo = FourCcGuid(FourCc('v', 'i', 'd', 's'));
// {05589F80-C356-11CE-BF01-00AA0055595A}
constexpr MediaGuid kVideoInfo = {0x05589F80, 0xC356, 0x11CE,
                                  {0xBF, 0x01, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
constexpr size_t kVideoInfoHeaderSize = 88;
constexpr size_t kIntervalOffset = 40;  // after rcSource, rcTarget, dwBitRate, dwBitErrorRate
constexpr size_t kWidthOffset = 52;     // bmiHeader (at 48) + biSize
constexpr size_t kHeightOffset = 56;

template <class T>
T Read(const uint8_t* bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes + offset, sizeof(T));
    return value;
}

}  // namespace

bool operator==(const MediaGuid& a, const MediaGuid& b) {
    return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
           std::memcmp(a.data4, b.data4, sizeof(a.data4)) == 0;
}

bool IsAcceptedCameraFormat(const CameraFormatView& type) {
    if (!(type.majorType == kVideo) || !(type.formatType == kVideoInfo)) return false;
    if (!type.format || type.formatLength < kVideoInfoHeaderSize) return false;
    for (uint32_t fourcc : {FourCc('Y', 'U', 'Y', '2'), FourCc('U', 'Y', 'V', 'Y'),
                            FourCc('I', '4', '2', '0'), FourCc('Y', 'V', '1', '2')})
        if (type.subtype == FourCcGuid(fourcc)) return true;
    return false;
}

bool ReadVideoInfo(const CameraFormatView& type, VideoInfoFacts* facts) {
    if (!type.format || type.formatLength < kVideoInfoHeaderSize) return false;
    facts->width = Read<int32_t>(type.format, kWidthOffset);
    facts->height = Read<int32_t>(type.format, kHeightOffset);
    facts->frameInterval = Read<int64_t>(type.format, kIntervalOffset);
    return true;
}

bool WriteFrameInterval(uint8_t* format, size_t formatLength, int64_t frameInterval) {
    if (!format || formatLength < kVideoInfoHeaderSize) return false;
    std::memcpy(format + kIntervalOffset, &frameInterval, sizeof(frameInterval));
    return true;
}
