// The preview's RGB converter in a real filter graph between a test source and a test sink:
// each layout and odd sizes give the snapshot conversion's pixels in the row order and stride
// the sink asked for, and a new format in the stream is followed.
#include <windows.h>
#include <dshow.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "preview/rgb_converter.h"
#include "snapshot/frame_conversion.h"
#include "support/filter_chain.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

// The converter between a test source and sink.
class ConverterChain : public FilterChain {
public:
    HRESULT Build(const CMediaType& type, const SinkOptions& options, long sourceBuffer = 0) {
        ComPtr<IBaseFilter> converter;
        converter.Attach(CRgbConverter::Create());
        m_converter = static_cast<CRgbConverter*>(converter.Get());
        return FilterChain::Build(converter.Get(), type, options, L"Filter", sourceBuffer);
    }
    CRgbConverter* Converter() const { return m_converter; }  // held by the graph
    // The height of the connection's RGB type: negative when top row first.
    long OutputHeight() const {
        return reinterpret_cast<const VIDEOINFOHEADER*>(OutputType().pbFormat)->bmiHeader.biHeight;
    }

private:
    CRgbConverter* m_converter = nullptr;
};

std::vector<BYTE> Noise(size_t size, unsigned seed) {
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<BYTE>((i * 2654435761u + seed) >> 13);
    return bytes;
}

// The snapshot conversion of `frame`, top row first.
std::vector<BYTE> Reference(FrameLayout layout, const std::vector<BYTE>& frame, int width, int height) {
    std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4);
    EXPECT_TRUE(ConvertFrameToRgb32(layout, frame.data(), frame.size(), width, height, pixels.data(), pixels.size()));
    return pixels;
}

// Row `row` (from the top) of an RGB32 buffer of `stride` pixels a row.
const BYTE* RowOf(const std::vector<BYTE>& data, int row, int height, int stride, bool topDown) {
    return data.data() + static_cast<size_t>(topDown ? row : height - 1 - row) * stride * 4;
}

class RgbConverterTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(RgbConverterTest, EachLayoutAndOddSizesGiveTheSnapshotPixelsInTheRowOrderTheRendererTakes) {
    struct Case {
        DWORD fourcc;
        FrameLayout layout;
        int width, height;
        bool topDownOnly;
    };
    const Case cases[] = {
        {MAKEFOURCC('Y', 'U', 'Y', '2'), FrameLayout::Yuy2, 640, 480, false},
        {MAKEFOURCC('U', 'Y', 'V', 'Y'), FrameLayout::Uyvy, 33, 17, true},
        {MAKEFOURCC('Y', 'V', '1', '2'), FrameLayout::Yv12, 35, 19, false},
        {MAKEFOURCC('I', '4', '2', '0'), FrameLayout::I420, 64, 3, true},
        {MAKEFOURCC('I', '4', '2', '0'), FrameLayout::I420, 1, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " layout " << static_cast<int>(c.layout));
        SinkOptions options;
        if (c.topDownOnly)  // as a renderer that draws only top-down DIBs
            options.accepts = [](const CMediaType& type) {
                return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biHeight < 0;
            };
        ConverterChain chain;
        ASSERT_EQ(chain.Build(testsupport::VideoType(c.fourcc, c.width, c.height), options), S_OK);
        EXPECT_EQ(chain.OutputHeight(), c.topDownOnly ? -c.height : c.height);
        std::vector<BYTE> frame = Noise(RequiredFrameBytes(c.layout, c.width, c.height), c.fourcc);
        ASSERT_EQ(chain.Push(frame), S_OK);

        auto received = chain.Sink()->Received();
        ASSERT_EQ(received.size(), 1u);
        EXPECT_FALSE(received[0].timed);  // shown at once
        std::vector<BYTE> expected = Reference(c.layout, frame, c.width, c.height);
        ASSERT_EQ(received[0].data.size(), expected.size());
        for (int row = 0; row < c.height; ++row)
            ASSERT_EQ(memcmp(RowOf(received[0].data, row, c.height, c.width, c.topDownOnly),
                             expected.data() + static_cast<size_t>(row) * c.width * 4, c.width * 4), 0)
                << "row " << row;
    }
}

TEST_F(RgbConverterTest, FollowsANewFormatInTheStreamAndARendererStrideInEitherRowOrder) {
    const DWORD yuy2 = MAKEFOURCC('Y', 'U', 'Y', '2');
    for (bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        SinkOptions options;
        // The renderer wants rows of 80 pixels, in its row order, from its first buffer on.
        options.firstBufferType = CRgbConverter::OutputType(80, 48, topDown, 333333);
        ConverterChain chain;
        ASSERT_EQ(chain.Build(testsupport::VideoType(yuy2, 64, 48), options), S_OK);
        std::vector<BYTE> frame = Noise(64 * 48 * 2, 1);
        ASSERT_EQ(chain.Push(frame), S_OK);
        // Then the upstream filter changes to I420 of the same size in mid-stream.
        CMediaType planar = testsupport::VideoType(MAKEFOURCC('I', '4', '2', '0'), 64, 48);
        std::vector<BYTE> planarFrame = Noise(64 * 48 * 3 / 2, 2);
        ASSERT_EQ(chain.Push(planarFrame, &planar), S_OK);

        auto received = chain.Sink()->Received();
        ASSERT_EQ(received.size(), 2u);
        std::vector<BYTE> first = Reference(FrameLayout::Yuy2, frame, 64, 48);
        std::vector<BYTE> second = Reference(FrameLayout::I420, planarFrame, 64, 48);
        for (int row = 0; row < 48; ++row) {
            ASSERT_EQ(memcmp(RowOf(received[0].data, row, 48, 80, topDown), first.data() + row * 256, 256), 0) << row;
            ASSERT_EQ(memcmp(RowOf(received[1].data, row, 48, 80, topDown), second.data() + row * 256, 256), 0) << row;
        }
    }
}

TEST_F(RgbConverterTest, ALargerFrameInMidStreamGetsLargerBuffersAndATypeItCannotMakeEndsTheStream) {
    const DWORD yuy2 = MAKEFOURCC('Y', 'U', 'Y', '2');
    ConverterChain chain;
    ASSERT_EQ(chain.Build(testsupport::VideoType(yuy2, 64, 48), {}, 96 * 64 * 2), S_OK);
    ASSERT_EQ(chain.Push(Noise(64 * 48 * 2, 1)), S_OK);
    // A new, larger size in mid-stream: the output sample tells the renderer its new type, and
    // every frame of it comes whole.
    CMediaType larger = testsupport::VideoType(yuy2, 96, 64);
    std::vector<BYTE> largeFrame = Noise(96 * 64 * 2, 3);
    ASSERT_EQ(chain.Push(largeFrame, &larger), S_OK);
    ASSERT_EQ(chain.Push(largeFrame), S_OK);
    auto received = chain.Sink()->Received();
    ASSERT_EQ(received.size(), 3u);
    ASSERT_TRUE(received[1].type.IsValid());
    const auto* header = &reinterpret_cast<const VIDEOINFOHEADER*>(received[1].type.pbFormat)->bmiHeader;
    EXPECT_EQ(header->biWidth, 96);
    EXPECT_EQ(std::abs(header->biHeight), 64);
    std::vector<BYTE> large = Reference(FrameLayout::Yuy2, largeFrame, 96, 64);
    for (size_t i : {size_t{1}, size_t{2}}) {
        ASSERT_EQ(received[i].data.size(), large.size());
        for (int row = 0; row < 64; ++row)
            ASSERT_EQ(memcmp(RowOf(received[i].data, row, 64, 96, header->biHeight < 0), large.data() + row * 384, 384), 0)
                << i << " row " << row;
    }
    auto events = chain.TakeEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), EC_ERRORABORT), 0);
    // The part the renderer shows follows the video area, also one wider than any picture can be.
    for (const SIZE area : {SIZE{40, 30}, SIZE{9000, 30}, SIZE{60, 20000}}) {
        chain.Converter()->SetVideoArea(area.cx, area.cy);
        RECT picture{};
        ASSERT_TRUE(chain.Converter()->PictureRect(&picture)) << area.cx << "x" << area.cy;
        EXPECT_EQ(picture.right - picture.left, std::min<long>(area.cx, 96));
        EXPECT_EQ(picture.bottom - picture.top, std::min<long>(area.cy, 64));
    }

    // A renderer that asks for a type the converter cannot make (fewer rows): the stream ends
    // with an error the program hears of, instead of frames drawn with the old stride.
    SinkOptions options;
    options.firstBufferType = CRgbConverter::OutputType(64, 40, false, 333333);
    ConverterChain refused;
    ASSERT_EQ(refused.Build(testsupport::VideoType(yuy2, 64, 48), options), S_OK);
    EXPECT_TRUE(FAILED(refused.Push(Noise(64 * 48 * 2, 1))));
    refused.Push(Noise(64 * 48 * 2, 2));
    EXPECT_TRUE(refused.Sink()->Received().empty());
    events = refused.TakeEvents();
    EXPECT_EQ(std::count(events.begin(), events.end(), EC_ERRORABORT), 1);  // once
}

}  // namespace
