// The recorder's JPEG compressor between a test source and sink, with an encoder that fails as
// told: a frame that cannot be encoded is left out, and many in a row end the recording; frames
// that find no place while the encoder cannot keep up are dropped without waiting.
#include <windows.h>
#include <dshow.h>
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "recorder/jpeg_compressor.h"
#include "support/filter_chain.h"

using Microsoft::WRL::ComPtr;
using namespace testsupport;

namespace {

// Fails where `pattern` (repeated) has an 'x'; otherwise "encodes" the frame's first byte and
// three more, after working for a time that the first byte sets.
class ScriptedEncoder : public FrameEncoder {
public:
    explicit ScriptedEncoder(std::string pattern) : m_pattern(std::move(pattern)) {}
    HRESULT Encode(FrameLayout, const uint8_t* frame, size_t, int, int, uint8_t* out, size_t capacity,
                   size_t* written) override {
        Sleep(frame[0] % 4);
        if (m_pattern[m_calls++ % m_pattern.size()] == 'x') return E_OUTOFMEMORY;
        if (capacity < 4) return E_FAIL;
        std::memcpy(out, "xJPG", 4);
        out[0] = frame[0];
        *written = 4;
        return S_OK;
    }

private:
    std::string m_pattern;
    size_t m_calls = 0;
};

// The end of the stream, as the upstream filter sends it: the compressor delivers what it holds.
void EndStream(FilterChain& chain) {
    ComPtr<IPin> compressorInput;
    chain.Source()->OutputPin()->ConnectedTo(&compressorInput);
    compressorInput->EndOfStream();
}

class JpegCompressorTest : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(JpegCompressorTest, FramesThatCannotBeEncodedAreLeftOutAndManyInARowEndTheStream) {
    const int most = CJpegCompressor::kMostFailures;
    struct Case {
        std::string pattern;
        int frames;
        size_t delivered;
        bool ended;  // the last push failed, and the graph heard EC_ERRORABORT once
    };
    const Case cases[] = {
        {"x.", 40, 20, false},                                  // every other frame
        {std::string(most - 1, 'x') + ".", 40, 4, false},       // runs just short of the limit
        {"x", most - 1, 0, false},
        {"x", most + 5, 0, true},
        {"..." + std::string(most, 'x'), 3 + most, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        ComPtr<IBaseFilter> compressor;
        const std::string pattern = c.pattern;
        compressor.Attach(CJpegCompressor::Create([pattern] { return std::make_unique<ScriptedEncoder>(pattern); }, 1, 64));
        FilterChain chain;
        ASSERT_EQ(chain.Build(compressor.Get(), VideoType(MAKEFOURCC('Y', 'U', 'Y', '2'), 64, 48)), S_OK);
        std::vector<BYTE> frame(64 * 48 * 2, 0x80);
        for (int i = 0; i < c.frames; ++i) chain.Push(frame);
        EndStream(chain);
        EXPECT_EQ(chain.Sink()->Received().size(), c.delivered);
        auto events = chain.TakeEvents();  // before the next push, whose failure would count too
        EXPECT_EQ(std::count(events.begin(), events.end(), EC_ERRORABORT), c.ended ? 1 : 0);
        EXPECT_EQ(FAILED(chain.Push(frame)), c.ended);  // an ended stream takes no more
    }
}

TEST_F(JpegCompressorTest, FramesCompressedSideBySideAreDeliveredInTheOrderTheyCame) {
    ComPtr<IBaseFilter> compressor;
    compressor.Attach(CJpegCompressor::Create([] { return std::make_unique<ScriptedEncoder>("."); }, 3, 64));
    FilterChain chain;
    ASSERT_EQ(chain.Build(compressor.Get(), VideoType(MAKEFOURCC('Y', 'U', 'Y', '2'), 64, 48)), S_OK);
    std::vector<BYTE> frame(64 * 48 * 2, 0x80);
    for (int i = 0; i < 40; ++i) {
        frame[0] = static_cast<BYTE>(i * 7);  // each works for its own time
        chain.Source()->Deliver({frame.data(), static_cast<long>(frame.size()), true, true, i * 333333LL});
    }
    EndStream(chain);
    auto received = chain.Sink()->Received();
    ASSERT_EQ(received.size(), 40u);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(received[i].data[0], static_cast<BYTE>(i * 7)) << i;
        EXPECT_EQ(received[i].start, i * 333333LL) << i;  // with its own time stamp
    }
}

// A machine that cannot keep up: while the encoder is held, frames beyond those working and
// waiting are dropped and counted, and the camera's thread is never held (every push returns);
// the frames taken are delivered in order once the encoder goes on.
TEST_F(JpegCompressorTest, FramesThatFindEveryPlaceTakenAreDroppedAndCountedWithoutWaiting) {
    struct HeldEncoder : FrameEncoder {
        explicit HeldEncoder(HANDLE go) : go(go) {}
        HRESULT Encode(FrameLayout, const uint8_t* frame, size_t, int, int, uint8_t* out, size_t capacity,
                       size_t* written) override {
            WaitForSingleObject(go, INFINITE);
            if (capacity < 1) return E_FAIL;
            out[0] = frame[0];
            *written = 1;
            return S_OK;
        }
        HANDLE go;
    };
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ComPtr<IBaseFilter> compressor;
    compressor.Attach(CJpegCompressor::Create([go] { return std::make_unique<HeldEncoder>(go); }, 1, 2));
    FilterChain chain;
    ASSERT_EQ(chain.Build(compressor.Get(), VideoType(MAKEFOURCC('Y', 'U', 'Y', '2'), 64, 48)), S_OK);
    std::vector<BYTE> frame(64 * 48 * 2, 0x80);
    for (int i = 0; i < 10; ++i) {
        frame[0] = static_cast<BYTE>(i);
        EXPECT_EQ(chain.Source()->Deliver({frame.data(), static_cast<long>(frame.size()), true, true, i * 166666LL}), S_OK);
        if (i == 0) Sleep(100);  // the first one is being worked on
    }
    EXPECT_EQ(CJpegCompressor::Of(compressor.Get())->FramesDropped(), 7u);  // one working, two waiting
    SetEvent(go);
    EndStream(chain);
    auto received = chain.Sink()->Received();
    ASSERT_EQ(received.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(received[i].data[0], i);
    CloseHandle(go);
}

}  // namespace
