// A real filter graph of a test source, one filter under test and a test sink, running; the
// source pushes samples on the test's thread.
#pragma once
#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

#include <vector>

#include "support/test_filters.h"

namespace testsupport {

class FilterChain {
public:
    ~FilterChain();
    // Source (of `type`, with buffers of at least `sourceBuffer` bytes) -> `filter` (by `name`)
    // -> sink, connected directly; then running.
    HRESULT Build(IBaseFilter* filter, const CMediaType& type, const SinkOptions& options = {},
                  const wchar_t* name = L"Filter", long sourceBuffer = 0);
    // One sample of `frame`, carrying `type` when given.
    HRESULT Push(const std::vector<BYTE>& frame, const AM_MEDIA_TYPE* type = nullptr);
    CTestSource* Source() const { return m_source; }
    CTestSink* Sink() const { return m_sink; }
    IMediaControl* Control() const { return m_control.Get(); }
    // The type of the filter's output connection.
    CMediaType OutputType() const;
    // The codes of the events the graph holds, taken from its queue.
    std::vector<long> TakeEvents();

private:
    Microsoft::WRL::ComPtr<IGraphBuilder> m_graph;
    Microsoft::WRL::ComPtr<IMediaControl> m_control;
    Microsoft::WRL::ComPtr<IBaseFilter> m_sourceFilter, m_sinkFilter, m_filter;
    CTestSource* m_source = nullptr;  // held through m_sourceFilter
    CTestSink* m_sink = nullptr;      // held through m_sinkFilter
};

}  // namespace testsupport
