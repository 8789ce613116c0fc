// The filter chain.
#include "filter_chain.h"

#include "support/grabber_harness.h"

using Microsoft::WRL::ComPtr;

namespace testsupport {

FilterChain::~FilterChain() {
    if (m_control) m_control->Stop();
}

HRESULT FilterChain::Build(IBaseFilter* filter, const CMediaType& type, const SinkOptions& options,
                           const wchar_t* name, long sourceBuffer) {
    HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&m_graph));
    if (FAILED(hr)) return hr;
    m_graph.As(&m_control);
    m_source = new CTestSource(type, sourceBuffer);
    m_source->NonDelegatingQueryInterface(IID_PPV_ARGS(&m_sourceFilter));
    m_sink = new CTestSink(options);
    m_sink->NonDelegatingQueryInterface(IID_PPV_ARGS(&m_sinkFilter));
    m_filter = filter;
    if (!filter) return E_POINTER;
    if (FAILED(hr = m_graph->AddFilter(m_sourceFilter.Get(), L"Source")) ||
        FAILED(hr = m_graph->AddFilter(filter, name)) ||
        FAILED(hr = m_graph->AddFilter(m_sinkFilter.Get(), L"Sink")) ||
        FAILED(hr = m_graph->ConnectDirect(m_source->OutputPin(), PinOf(filter, PINDIR_INPUT, 0).Get(), &type)) ||
        FAILED(hr = m_graph->ConnectDirect(PinOf(filter, PINDIR_OUTPUT, 0).Get(), m_sink->InputPin(), nullptr)))
        return hr;
    return m_control->Run();
}

HRESULT FilterChain::Push(const std::vector<BYTE>& frame, const AM_MEDIA_TYPE* type) {
    CTestSource::Push push{frame.data(), static_cast<long>(frame.size())};
    push.type = type;
    return m_source->Deliver(push);
}

CMediaType FilterChain::OutputType() const {
    AM_MEDIA_TYPE type{};
    PinOf(m_filter.Get(), PINDIR_OUTPUT, 0)->ConnectionMediaType(&type);
    CMediaType copy(type);
    FreeMediaType(type);
    return copy;
}

std::vector<long> FilterChain::TakeEvents() {
    std::vector<long> codes;
    ComPtr<IMediaEvent> events;
    if (FAILED(m_graph.As(&events))) return codes;
    long code;
    LONG_PTR param1, param2;
    while (SUCCEEDED(events->GetEvent(&code, &param1, &param2, 0))) {
        codes.push_back(code);
        events->FreeEventParams(code, param1, param2);
    }
    return codes;
}

}  // namespace testsupport
