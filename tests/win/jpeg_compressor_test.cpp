// The recorder's JPEG compressor between a test source and sink, with an encoder that fails as
// told: a frame that cannot be encoded is left out, and many in a row end the recording.
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

// Fails where `pattern` (repeated) has an 'x'; otherwise "encodes" four bytes.
class ScriptedEncoder : public FrameEncoder {
public:
    explicit ScriptedEncoder(std::string pattern) : m_pattern(std::move(pattern)) {}
    HRESULT Encode(const uint8_t*, int, int, uint8_t* out, size_t capacity, size_t* written) override {
        if (m_pattern[m_calls++ % m_pattern.size()] == 'x') return E_OUTOFMEMORY;
        if (capacity < 4) return E_FAIL;
        std::memcpy(out, "JPEG", 4);
        *written = 4;
        return S_OK;
    }

private:
    std::string m_pattern;
    size_t m_calls = 0;
};

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
        compressor.Attach(CJpegCompressor::Create(std::make_unique<ScriptedEncoder>(c.pattern)));
        FilterChain chain;
        ASSERT_EQ(chain.Build(compressor.Get(), VideoType(MAKEFOURCC('Y', 'U', 'Y', '2'), 64, 48)), S_OK);
        std::vector<BYTE> frame(64 * 48 * 2, 0x80);
        HRESULT last = S_OK;
        for (int i = 0; i < c.frames; ++i) last = chain.Push(frame);
        EXPECT_EQ(chain.Sink()->Received().size(), c.delivered);
        EXPECT_EQ(FAILED(last), c.ended);
        auto events = chain.TakeEvents();
        EXPECT_EQ(std::count(events.begin(), events.end(), EC_ERRORABORT), c.ended ? 1 : 0);
    }
}

}  // namespace
