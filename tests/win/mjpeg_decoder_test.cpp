// Our Motion-JPEG decoder filter between a test source and sink: a damaged frame goes nowhere
// (the frame before it is not passed on in its place), and a larger frame size in mid-stream
// gets larger buffers.
#include <windows.h>
#include <dshow.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <vector>

#include "decoder/mjpeg_decoder.h"
#include "support/filter_chain.h"
#include "test_pattern.h"
#include "virtual_devices.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

std::vector<BYTE> PatternJpeg(int width, int height) {
    std::vector<BYTE> jpeg(PatternJpegFrame(width, height, nullptr, 0));
    PatternJpegFrame(width, height, jpeg.data(), static_cast<DWORD>(jpeg.size()));
    return jpeg;
}

CMediaType JpegType(int width, int height) {
    CMediaType type = VideoType(MAKEFOURCC('M', 'J', 'P', 'G'), width, height);
    return type;
}

// The pattern as YUY2, as the decoder should give it (within the JPEG's error).
double MeanDifferenceFromPattern(const std::vector<BYTE>& yuy2, int width, int height) {
    std::vector<uint8_t> pattern(PatternFrameBytes(PixelLayout::Yuy2, width, height));
    FillPatternFrame(PixelLayout::Yuy2, width, height, pattern.data(), pattern.size());
    if (yuy2.size() != pattern.size()) return 255;
    double sum = 0;
    for (size_t i = 0; i < pattern.size(); ++i) sum += std::abs(int(yuy2[i]) - int(pattern[i]));
    return sum / pattern.size();
}

class MjpegDecoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        decoder.Attach(CMjpegDecoder::Create());
        ASSERT_EQ(chain.Build(decoder.Get(), JpegType(64, 48)), S_OK);
    }
    void TearDown() override { CoUninitialize(); }
    ComPtr<IBaseFilter> decoder;
    FilterChain chain;
};

TEST_F(MjpegDecoderTest, DamagedFramesGoNowhereAndALargerSizeGetsLargerBuffers) {
    std::vector<BYTE> good = PatternJpeg(64, 48), cut(good.begin(), good.begin() + good.size() / 2);
    ASSERT_EQ(chain.Push(good), S_OK);
    ASSERT_EQ(chain.Push(cut), S_OK);  // dropped, and the stream goes on
    std::vector<BYTE> broken = good;
    for (size_t i = broken.size() / 3; i < broken.size() / 2; ++i) broken[i] = 0x5A;
    chain.Push(broken);
    ASSERT_EQ(chain.Push(good), S_OK);
    auto received = chain.Sink()->Received();
    ASSERT_EQ(received.size(), 2u);  // the good frames, each once
    for (const auto& frame : received) EXPECT_LT(MeanDifferenceFromPattern(frame.data, 64, 48), 3);

    // The camera sends a larger size from here on.
    CMediaType larger = JpegType(160, 120);
    std::vector<BYTE> large = PatternJpeg(160, 120);
    ASSERT_EQ(chain.Push(large, &larger), S_OK);
    ASSERT_EQ(chain.Push(large), S_OK);
    received = chain.Sink()->Received();
    ASSERT_EQ(received.size(), 4u);
    ASSERT_TRUE(received[2].type.IsValid());
    EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER*>(received[2].type.pbFormat)->bmiHeader.biWidth, 160);
    for (size_t i : {size_t{2}, size_t{3}}) EXPECT_LT(MeanDifferenceFromPattern(received[i].data, 160, 120), 3) << i;
    auto events = chain.TakeEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), EC_ERRORABORT), 0);
}

}  // namespace
