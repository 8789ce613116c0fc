// The accepted camera formats and the resolution list rules.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "devices/camera_format.h"
#include "devices/camera_pin_choice.h"
#include "devices/frame_rates.h"
#include "devices/resolution_list.h"

namespace {

MediaGuid FourCc(const char* code) {
    uint32_t value;
    std::memcpy(&value, code, 4);
    return {value, 0, 0x10, {0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71}};
}

const MediaGuid kVideoInfo = {0x05589F80, 0xC356, 0x11CE, {0xBF, 1, 0, 0xAA, 0, 0x55, 0x59, 0x5A}};
const MediaGuid kVideoInfo2 = {0xF72A76A0, 0xEB0A, 0x11D0, {0xAC, 0xE4, 0, 0, 0xC0, 0xCC, 0x16, 0xBA}};

// A VIDEOINFOHEADER (88 bytes, bitmap header at 48) or VIDEOINFOHEADER2 (112, at 72) block.
struct Block {
    std::vector<uint8_t> bytes;
    Block(int32_t width, int32_t height, int64_t interval, bool second = false)
        : bytes(second ? 112 : 88) {
        size_t bitmap = second ? 72 : 48;
        std::memcpy(&bytes[bitmap + 4], &width, 4);
        std::memcpy(&bytes[bitmap + 8], &height, 4);
        std::memcpy(&bytes[40], &interval, 8);
    }
};

CameraFormatView View(const char* subtype, const Block& block, size_t length = 88,
                      MediaGuid formatType = kVideoInfo, const char* major = "vids") {
    return {FourCc(major), FourCc(subtype), formatType, block.bytes.data(), length};
}

TEST(CameraFormat, AcceptsTheYuvLayoutsNv12RgbAndMotionJpegInAVideoInfoBlock) {
    Block block(640, 480, 333333);
    for (const char* subtype : {"YUY2", "UYVY", "I420", "YV12", "NV12", "MJPG"})
        EXPECT_TRUE(IsAcceptedCameraFormat(View(subtype, block))) << subtype;
    for (const char* subtype : {"IYUV", "RGB3", "H264", "YVYU"})
        EXPECT_FALSE(IsAcceptedCameraFormat(View(subtype, block))) << subtype;
    // RGB32 and RGB24 are not four-character codes.
    const MediaGuid rgb32 = {0xE436EB7E, 0x524F, 0x11CE, {0x9F, 0x53, 0, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
    CameraFormatView view = View("YUY2", block);
    view.subtype = rgb32;
    EXPECT_EQ(SubtypeOf(view), CameraSubtype::Rgb32);
    view.subtype.data1 = 0xE436EB7D;
    EXPECT_EQ(SubtypeOf(view), CameraSubtype::Rgb24);
    EXPECT_TRUE(IsAcceptedCameraFormat(view));
}

TEST(CameraFormat, TheOriginalLayoutsRunUnlessAnotherFormatIsFasterForTheSize) {
    using S = CameraSubtype;
    struct Case {
        const char* name;
        std::vector<FormatOffer> offers;
        int32_t width, height;
        int chosen;
        int32_t rate = 0;  // chosen by the user; 0: the highest
    };
    const int64_t fps30 = 333333, fps15 = 666666, fps5 = 2000000, fps60 = 166667, fps5994 = 166833;
    const std::vector<FormatOffer> webcam = {{S::Yuy2, 640, 480, fps30}, {S::Yuy2, 1920, 1080, fps5},
                                             {S::Mjpg, 640, 480, fps30}, {S::Mjpg, 1920, 1080, fps30}};
    const Case cases[] = {
        {"a webcam's 640 x 480: YUY2 as always", webcam, 640, 480, 0},
        {"a webcam's 1080p: Motion-JPEG at 30 over YUY2 at 5", webcam, 1920, 1080, 3},
        {"an equal rate keeps the original layout", {{S::Nv12, 1280, 720, fps15}, {S::Yuy2, 1280, 720, fps15}}, 1280, 720, 1},
        {"the first original layout at the top rate, when one of them has it",
         {{S::Yuy2, 640, 480, fps15}, {S::Uyvy, 640, 480, fps30}, {S::Mjpg, 640, 480, fps30}}, 640, 480, 1},
        {"only other formats: NV12 first among equal rates",
         {{S::Mjpg, 800, 600, fps30}, {S::Rgb24, 800, 600, fps30}, {S::Nv12, 800, 600, fps30}, {S::Rgb32, 800, 600, fps30}}, 800, 600, 2},
        {"then RGB32", {{S::Mjpg, 800, 600, fps30}, {S::Rgb24, 800, 600, fps30}, {S::Rgb32, 800, 600, fps30}}, 800, 600, 2},
        {"then RGB24", {{S::Mjpg, 800, 600, fps30}, {S::Rgb24, 800, 600, fps30}}, 800, 600, 1},
        {"a faster Motion-JPEG before a slower NV12", {{S::Nv12, 800, 600, fps15}, {S::Mjpg, 800, 600, fps30}}, 800, 600, 1},
        {"a rate that is not said is the slowest", {{S::Yuy2, 800, 600, 0}, {S::Nv12, 800, 600, fps30}}, 800, 600, 1},
        {"an original layout's slower offer listed first",
         {{S::Yuy2, 640, 480, fps15}, {S::Yuy2, 640, 480, fps30}, {S::Mjpg, 640, 480, fps30}}, 640, 480, 1},
        {"a slow I420 before a fast YUY2", {{S::I420, 640, 480, fps5}, {S::Yuy2, 640, 480, fps30}}, 640, 480, 1},
        {"no rate said by any original offer: the first of them", {{S::Uyvy, 640, 480, 0}, {S::Yuy2, 640, 480, 0}}, 640, 480, 0},
        {"no offer of the size", webcam, 1280, 720, -1},
        {"nothing offered", {}, 640, 480, -1},
        // A frame rate chosen: an original layout at that rate first, else the others'.
        {"30 chosen: the original layout that offers it", webcam, 1920, 1080, 3, 30},
        {"5 chosen: YUY2 at its rate", webcam, 1920, 1080, 1, 5},
        {"60 only in Motion-JPEG, at 59.94",
         {{S::Yuy2, 1280, 720, fps30}, {S::Mjpg, 1280, 720, fps5994}, {S::Nv12, 1280, 720, fps30}}, 1280, 720, 1, 60},
        {"30 from a range of a format that runs at 60",
         {{S::Mjpg, 1920, 1080, fps60}, {S::Yuy2, 1920, 1080, fps60, fps5}}, 1920, 1080, 1, 30},
        {"a rate below the range's slowest: the highest as without one",
         {{S::Nv12, 1920, 1080, fps60, fps15}, {S::Mjpg, 1920, 1080, fps30}}, 1920, 1080, 0, 10},
        {"a rate no format offers: as without one", webcam, 640, 480, 0, 25},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChooseCameraFormat(c.offers.data(), c.offers.size(), c.width, c.height, c.rate), c.chosen) << c.name;
}

TEST(FrameRates, WholeRatesOfTheFormatsAndTheUsualOnesWithinARange) {
    const struct {
        int64_t fastest, slowest;
        std::vector<int32_t> rates;
    } cases[] = {
        {333333, 0, {30}},
        {166833, 0, {60}},                                 // 59.94
        {333667, 0, {30}},                                 // 29.97
        {1333333, 0, {8}},                                 // 7.5
        {166667, 2000000, {60, 50, 30, 25, 24, 15, 10, 5}},
        {333333, 1000000, {30, 25, 24, 15, 10}},
        {0, 0, {}},
    };
    for (const auto& c : cases) {
        int32_t rates[12], count = 0;
        AddOfferedRates(c.fastest, c.slowest, rates, &count, 12);
        EXPECT_EQ(std::vector<int32_t>(rates, rates + count), c.rates) << c.fastest;
    }
    // Distinct, from the highest down, across formats; never past the capacity.
    int32_t rates[3], count = 0;
    for (int64_t interval : {333333, 666666, 333333, 166667, 2000000}) AddOfferedRates(interval, 0, rates, &count, 3);
    EXPECT_EQ(std::vector<int32_t>(rates, rates + count), (std::vector<int32_t>{60, 30, 15}));
    // The interval asked for a rate: the format's own where it is that rate, else the rate's.
    EXPECT_EQ(IntervalForRate(166833, 2000000, 60), 166833);
    EXPECT_EQ(IntervalForRate(166833, 2000000, 25), 400000);
    EXPECT_EQ(IntervalForRate(333333, 0, 30), 333333);
}

TEST(CameraFormat, RefusesOtherMajorTypesFormatsAndShortBlocks) {
    Block block(640, 480, 333333);
    EXPECT_FALSE(IsAcceptedCameraFormat(View("YUY2", block, 88, kVideoInfo, "auds")));
    EXPECT_FALSE(IsAcceptedCameraFormat(View("YUY2", block, 88, kVideoInfo2)));  // too short for one
    Block second(640, 480, 333333, true);
    EXPECT_TRUE(IsAcceptedCameraFormat(View("YUY2", second, 112, kVideoInfo2)));
    EXPECT_FALSE(IsAcceptedCameraFormat(View("YUY2", second, 111, kVideoInfo2)));
    EXPECT_FALSE(IsAcceptedCameraFormat(View("YUY2", block, 87)));
    CameraFormatView noBlock = View("YUY2", block);
    noBlock.format = nullptr;
    EXPECT_FALSE(IsAcceptedCameraFormat(noBlock));
    // A four-character code on another GUID base is not the subtype.
    CameraFormatView otherBase = View("YUY2", block);
    otherBase.subtype.data2 = 1;
    EXPECT_FALSE(IsAcceptedCameraFormat(otherBase));
}

TEST(CameraFormat, ReadsSizeAndIntervalAndWritesTheIntervalInEitherHeader) {
    for (bool second : {false, true}) {
        Block block(800, -600, 800000, second);
        const size_t length = block.bytes.size();
        const MediaGuid format = second ? kVideoInfo2 : kVideoInfo;
        VideoInfoFacts facts{};
        ASSERT_TRUE(ReadVideoInfo(View("YUY2", block, length, format), &facts)) << second;
        EXPECT_EQ(facts.width, 800);
        EXPECT_EQ(facts.height, -600);
        EXPECT_EQ(facts.frameInterval, 800000);
        ASSERT_TRUE(WriteFrameInterval(block.bytes.data(), length, 2000000));
        ReadVideoInfo(View("YUY2", block, length, format), &facts);
        EXPECT_EQ(facts.frameInterval, 2000000);
        EXPECT_FALSE(WriteFrameInterval(block.bytes.data(), 40, 1));
        EXPECT_FALSE(ReadVideoInfo(View("YUY2", block, length - 1, format), &facts));
    }
}

TEST(CameraPin, TheVideoCapturePinThenAVideoPreviewPinThenTheFirstVideoPinWhereNoneHasACategory) {
    using C = PinCategory;
    struct Case {
        const char* name;
        std::vector<PinFacts> pins;  // output, connected, category, offers video
        int chosen;
    };
    const Case cases[] = {
        {"a kernel-streaming camera: capture pin 0", {{true, false, C::Capture, true}}, 0},
        {"a still pin listed first", {{true, false, C::Other, true}, {true, false, C::Capture, true}}, 1},
        {"preview where there is no capture pin", {{true, false, C::Other, true}, {true, false, C::Preview, true}}, 1},
        {"capture before an earlier preview pin", {{true, false, C::Preview, true}, {true, false, C::Capture, true}}, 1},
        {"no categories: the first pin offering video",
         {{false, false, C::None, true}, {true, false, C::None, false}, {true, false, C::None, true}}, 2},
        {"a connected capture pin is not free", {{true, true, C::Capture, true}, {true, false, C::Preview, true}}, 1},
        {"categories but no video pin among them", {{true, false, C::Other, true}, {true, false, C::None, true}}, -1},
        {"a sound pin of the capture category first", {{true, false, C::Capture, false}, {true, false, C::Capture, true}}, 1},
        {"only a sound pin of the capture category", {{true, false, C::Capture, false}, {true, false, C::Preview, true}}, 1},
        {"no output pin", {{false, false, C::None, true}}, -1},
        {"no pin", {}, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseCameraPin(c.pins.data(), c.pins.size()), c.chosen) << c.name;
}

TEST(ResolutionList, KeepsDistinctPairsUpToItsCapacity) {
    int32_t widths[3], heights[3], count = 0;
    EXPECT_TRUE(AddDistinctResolution(widths, heights, &count, 3, 640, 480));
    EXPECT_TRUE(AddDistinctResolution(widths, heights, &count, 3, 640, 480));  // once only
    EXPECT_TRUE(AddDistinctResolution(widths, heights, &count, 3, 640, 360));
    EXPECT_TRUE(AddDistinctResolution(widths, heights, &count, 3, 320, 240));
    EXPECT_FALSE(AddDistinctResolution(widths, heights, &count, 3, 1280, 720));
    EXPECT_EQ(count, 3);
    EXPECT_TRUE(AddDistinctResolution(widths, heights, &count, 3, 320, 240));  // already there
}

TEST(ResolutionList, SortsByWidthThenHeight) {
    int32_t widths[] = {1280, 640, 640, 320, 640};
    int32_t heights[] = {720, 480, 360, 240, 512};
    SortResolutions(widths, heights, 5);
    EXPECT_EQ(std::vector<int32_t>(widths, widths + 5), (std::vector<int32_t>{320, 640, 640, 640, 1280}));
    EXPECT_EQ(std::vector<int32_t>(heights, heights + 5), (std::vector<int32_t>{240, 360, 480, 512, 720}));
}

}  // namespace
