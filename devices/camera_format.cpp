// Accepted camera formats.
#include "camera_format.h"

#include <cstring>
#include <initializer_list>

#include "devices/frame_rates.h"

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
// {F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA}
constexpr MediaGuid kVideoInfo2 = {0xF72A76A0, 0xEB0A, 0x11D0,
                                   {0xAC, 0xE4, 0x00, 0x00, 0xC0, 0xCC, 0x16, 0xBA}};
constexpr size_t kVideoInfoHeaderSize = 88;
constexpr size_t kVideoInfoHeader2Size = 112;
// Both headers begin alike: rcSource, rcTarget, dwBitRate, dwBitErrorRate, AvgTimePerFrame.
constexpr size_t kIntervalOffset = 40;
// Where the bitmap header begins: after AvgTimePerFrame in a VIDEOINFOHEADER, after the
// interlace, copy-protection, aspect-ratio and control fields in a VIDEOINFOHEADER2.
constexpr size_t kBitmapOffset = 48;
constexpr size_t kBitmapOffset2 = 72;
constexpr size_t kWidthAfterBitmap = 4;  // after biSize
constexpr size_t kHeightAfterBitmap = 8;

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

CameraSubtype SubtypeOf(const CameraFormatView& type) {
    static const struct {
        MediaGuid guid;
        CameraSubtype subtype;
    } kSubtypes[] = {
        {FourCcGuid(FourCc('Y', 'U', 'Y', '2')), CameraSubtype::Yuy2},
        {FourCcGuid(FourCc('U', 'Y', 'V', 'Y')), CameraSubtype::Uyvy},
        {FourCcGuid(FourCc('I', '4', '2', '0')), CameraSubtype::I420},
        {FourCcGuid(FourCc('Y', 'V', '1', '2')), CameraSubtype::Yv12},
        {FourCcGuid(FourCc('N', 'V', '1', '2')), CameraSubtype::Nv12},
        {FourCcGuid(FourCc('M', 'J', 'P', 'G')), CameraSubtype::Mjpg},
        // MEDIASUBTYPE_RGB32 and MEDIASUBTYPE_RGB24: {E436EB7E-...} and {E436EB7D-...}.
        {{0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}}, CameraSubtype::Rgb32},
        {{0xE436EB7D, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}}, CameraSubtype::Rgb24},
    };
    for (const auto& entry : kSubtypes)
        if (type.subtype == entry.guid) return entry.subtype;
    return CameraSubtype::Other;
}

bool IsOriginalLayout(CameraSubtype subtype) {
    return subtype == CameraSubtype::Yuy2 || subtype == CameraSubtype::Uyvy ||
           subtype == CameraSubtype::I420 || subtype == CameraSubtype::Yv12;
}

namespace {

// Where the format's bitmap header begins, or 0 for a format that is no video header or too
// short to be one.
size_t BitmapOffset(const CameraFormatView& type) {
    if (!type.format) return 0;
    if (type.formatType == kVideoInfo && type.formatLength >= kVideoInfoHeaderSize) return kBitmapOffset;
    if (type.formatType == kVideoInfo2 && type.formatLength >= kVideoInfoHeader2Size) return kBitmapOffset2;
    return 0;
}

}  // namespace

bool IsAcceptedCameraFormat(const CameraFormatView& type) {
    if (!(type.majorType == kVideo) || BitmapOffset(type) == 0) return false;
    return SubtypeOf(type) != CameraSubtype::Other;
}

namespace {

// Frame intervals compared as rates: a shorter interval is faster, one not said the slowest.
bool Faster(int64_t a, int64_t b) {
    if (a <= 0) return false;
    return b <= 0 || a < b;
}

// Among equal rates of the other subtypes: NV12, RGB32, RGB24, Motion-JPEG.
int Preference(CameraSubtype subtype) {
    switch (subtype) {
        case CameraSubtype::Nv12: return 0;
        case CameraSubtype::Rgb32: return 1;
        case CameraSubtype::Rgb24: return 2;
        default: return 3;
    }
}

}  // namespace

int ChooseCameraFormat(const FormatOffer* offers, size_t count, int32_t width, int32_t height, int32_t rate) {
    int atRate = -1;
    for (size_t i = 0; i < count && rate > 0; ++i) {
        const FormatOffer& o = offers[i];
        if (o.width != width || o.height != height || o.subtype == CameraSubtype::Other ||
            !OffersRate(o.frameInterval, o.slowestInterval, rate))
            continue;
        if (IsOriginalLayout(o.subtype)) return static_cast<int>(i);
        if (atRate < 0 || Preference(o.subtype) < Preference(offers[atRate].subtype)) atRate = static_cast<int>(i);
    }
    if (atRate >= 0) return atRate;
    int other = -1;
    int64_t fastestOriginal = 0;
    for (size_t i = 0; i < count; ++i) {
        const FormatOffer& o = offers[i];
        if (o.width != width || o.height != height || o.subtype == CameraSubtype::Other) continue;
        if (IsOriginalLayout(o.subtype)) {
            if (Faster(o.frameInterval, fastestOriginal)) fastestOriginal = o.frameInterval;
        } else if (other < 0 || Faster(o.frameInterval, offers[other].frameInterval) ||
                   (!Faster(offers[other].frameInterval, o.frameInterval) &&
                    Preference(o.subtype) < Preference(offers[other].subtype))) {
            other = static_cast<int>(i);
        }
    }
    const int64_t fastestOther = other >= 0 ? offers[other].frameInterval : 0;
    if (other < 0 || !Faster(fastestOther, fastestOriginal)) {
        // The first original-layout offer of the size at its fastest rate (the first of all where
        // none says its rate).
        for (size_t i = 0; i < count; ++i) {
            const FormatOffer& o = offers[i];
            if (o.width == width && o.height == height && IsOriginalLayout(o.subtype) &&
                !Faster(fastestOriginal, o.frameInterval))
                return static_cast<int>(i);
        }
    }
    return other;
}

bool ReadVideoInfo(const CameraFormatView& type, VideoInfoFacts* facts) {
    const size_t bitmap = BitmapOffset(type);
    if (bitmap == 0) return false;
    facts->width = Read<int32_t>(type.format, bitmap + kWidthAfterBitmap);
    facts->height = Read<int32_t>(type.format, bitmap + kHeightAfterBitmap);
    facts->frameInterval = Read<int64_t>(type.format, kIntervalOffset);
    return true;
}

bool WriteFrameInterval(uint8_t* format, size_t formatLength, int64_t frameInterval) {
    if (!format || formatLength < kIntervalOffset + sizeof(frameInterval)) return false;
    std::memcpy(format + kIntervalOffset, &frameInterval, sizeof(frameInterval));
    return true;
}
