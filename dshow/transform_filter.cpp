// Transform filters and their pins.
#include "transform_filter.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

class CTransformFilter::TransformInputPin : public CBaseInputPin {
public:
    TransformInputPin(CTransformFilter* filter, HRESULT* hr)
        : CBaseInputPin(L"Transform input pin", filter, &filter->m_csFilter, hr, L"In"),
          m_filter(filter) {}

    HRESULT CheckMediaType(const CMediaType* type) override { return m_filter->CheckInputType(type); }
    HRESULT SetMediaType(const CMediaType* type) override {
        HRESULT hr = CBaseInputPin::SetMediaType(type);
        return FAILED(hr) ? hr : m_filter->SetMediaType(PINDIR_INPUT, type);
    }
    HRESULT CompleteConnect(IPin* receivePin) override {
        HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
        return FAILED(hr) ? hr : m_filter->CompleteConnect(PINDIR_INPUT, receivePin);
    }
    HRESULT BreakConnect() override {
        m_filter->BreakConnect(PINDIR_INPUT);
        return CBaseInputPin::BreakConnect();
    }
    STDMETHODIMP Receive(IMediaSample* sample) override {
        ScopedCriticalSection lock(m_filter->ReceiveLock());
        HRESULT hr = CBaseInputPin::Receive(sample);
        if (hr != S_OK) return hr;
        return m_filter->Receive(sample);
    }
    STDMETHODIMP EndOfStream() override {
        ScopedCriticalSection lock(m_filter->ReceiveLock());
        if (!IsConnected()) return VFW_E_NOT_CONNECTED;
        return m_filter->EndOfStream();
    }
    STDMETHODIMP BeginFlush() override {
        CBaseInputPin::BeginFlush();
        return m_filter->BeginFlush();
    }
    STDMETHODIMP EndFlush() override {
        CBaseInputPin::EndFlush();
        return m_filter->EndFlush();
    }
    STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override {
        CBasePin::NewSegment(start, stop, rate);
        return m_filter->NewSegment(start, stop, rate);
    }

private:
    CTransformFilter* m_filter;
};

class CTransformFilter::TransformOutputPin : public CBaseOutputPin {
public:
    TransformOutputPin(CTransformFilter* filter, HRESULT* hr)
        : CBaseOutputPin(L"Transform output pin", filter, &filter->m_csFilter, hr, L"Out"),
          m_filter(filter) {}

    HRESULT CheckMediaType(const CMediaType* type) override {
        if (!m_filter->m_input->IsConnected()) return VFW_E_NOT_CONNECTED;
        CMediaType input = m_filter->m_input->CurrentMediaType();
        return m_filter->CheckTransform(&input, type);
    }
    HRESULT GetMediaType(int position, CMediaType* type) override {
        if (position < 0) return E_INVALIDARG;
        if (!m_filter->m_input->IsConnected()) return VFW_S_NO_MORE_ITEMS;
        return m_filter->GetMediaType(position, type);
    }
    HRESULT SetMediaType(const CMediaType* type) override {
        HRESULT hr = CBaseOutputPin::SetMediaType(type);
        return FAILED(hr) ? hr : m_filter->SetMediaType(PINDIR_OUTPUT, type);
    }
    HRESULT CompleteConnect(IPin* receivePin) override {
        HRESULT hr = CBaseOutputPin::CompleteConnect(receivePin);
        return FAILED(hr) ? hr : m_filter->CompleteConnect(PINDIR_OUTPUT, receivePin);
    }
    HRESULT BreakConnect() override {
        m_filter->BreakConnect(PINDIR_OUTPUT);
        return CBaseOutputPin::BreakConnect();
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override {
        return m_filter->DecideBufferSize(allocator, props);
    }

private:
    CTransformFilter* m_filter;
};

CTransformFilter::CTransformFilter(const wchar_t* objectName, REFCLSID clsid)
    : CBaseFilter(objectName, nullptr, &m_csFilter, clsid) {
    HRESULT hr = S_OK;
    m_input.reset(new TransformInputPin(this, &hr));
    m_output.reset(new TransformOutputPin(this, &hr));
}

CTransformFilter::~CTransformFilter() = default;

HRESULT CTransformFilter::RequestBuffers(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props, long count,
                                         long bytes) {
    if (props->cBuffers < count) props->cBuffers = count;
    if (props->cbBuffer < bytes) props->cbBuffer = bytes;
    if (props->cbAlign <= 0) props->cbAlign = 1;
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(props, &actual);
    if (FAILED(hr)) return hr;
    return actual.cbBuffer < bytes ? E_FAIL : S_OK;
}

CBasePin* CTransformFilter::GetPin(int n) {
    if (n == 0) return m_input.get();
    if (n == 1) return m_output.get();
    return nullptr;
}

CBaseInputPin* CTransformFilter::InputPin() const { return m_input.get(); }
CBaseOutputPin* CTransformFilter::OutputPin() const { return m_output.get(); }

STDMETHODIMP CTransformFilter::Stop() {
    ScopedCriticalSection filterLock(m_csFilter.get());
    if (m_state == State_Stopped) return S_OK;
    // Decommitting the output allocator releases a Receive waiting for a buffer; then the
    // receive lock waits for a frame in progress.
    m_input->Inactive();
    m_output->Inactive();
    ScopedCriticalSection receiveLock(m_csReceive.get());
    m_state = State_Stopped;
    return S_OK;
}

STDMETHODIMP CTransformFilter::Pause() {
    ScopedCriticalSection filterLock(m_csFilter.get());
    if (m_state == State_Stopped) m_refused = false;
    return CBaseFilter::Pause();
}

HRESULT CTransformFilter::CompleteConnect(PIN_DIRECTION direction, IPin*) {
    if (direction != PINDIR_INPUT || !m_output->IsConnected()) return S_OK;
    CMediaType input = m_input->CurrentMediaType();
    CMediaType output = m_output->CurrentMediaType();
    if (CheckTransform(&input, &output) == S_OK) return S_OK;
    CMediaType wanted;
    if (GetMediaType(0, &wanted) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    return ReconnectPin(m_output.get(), &wanted);
}

// A type attached to the input sample (already checked by the pin) becomes the input's type;
// when the output's type cannot be made from it, the first output type the downstream pin
// accepts becomes the output's, left in `attach` for the output sample to tell it.
static HRESULT AdoptSampleType(CTransformFilter* filter, IMediaSample* in, CMediaType* attach) {
    AM_MEDIA_TYPE* attached = nullptr;
    if (in->GetMediaType(&attached) != S_OK || !attached) return S_OK;
    CMediaType input(*attached);
    DeleteMediaType(attached);
    HRESULT hr = filter->InputPin()->SetMediaType(&input);
    if (FAILED(hr)) return hr;
    CBaseOutputPin* pin = filter->OutputPin();
    CMediaType output = pin->CurrentMediaType();
    if (filter->CheckTransform(&input, &output) == S_OK) return S_OK;
    for (int position = 0; filter->GetMediaType(position, &output) == S_OK; ++position) {
        if (pin->GetConnected()->QueryAccept(&output) != S_OK) continue;
        *attach = output;
        return pin->SetMediaType(&output);
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CTransformFilter::RefuseStream(HRESULT reason) {
    if (!m_refused.exchange(true)) NotifyEvent(EC_ERRORABORT, reason, 0);
    return reason;
}

// Buffers of the output's allocator of at least `bytes`: the allocator is set anew between
// frames when a larger frame comes (possible while the next filter holds none of its buffers).
HRESULT CTransformFilter::GrowOutputBuffers(long bytes) {
    IMemAllocator* allocator = m_output->Allocator();
    ALLOCATOR_PROPERTIES props{}, actual{};
    if (!allocator || FAILED(allocator->GetProperties(&props))) return VFW_E_NO_ALLOCATOR;
    if (props.cbBuffer >= bytes) return S_OK;
    props.cbBuffer = bytes;
    allocator->Decommit();
    HRESULT hr = allocator->SetProperties(&props, &actual);
    HRESULT committed = allocator->Commit();  // also with the old buffers, where the new ones failed
    if (FAILED(hr)) return hr;
    if (FAILED(committed)) return committed;
    return actual.cbBuffer >= bytes ? S_OK : VFW_E_BUFFER_OVERFLOW;
}

HRESULT CTransformFilter::Receive(IMediaSample* in) {
    if (!m_output->IsConnected()) return S_OK;
    if (m_refused) return S_FALSE;  // the graph has been told; nothing more is made
    CMediaType attach;
    HRESULT hr = AdoptSampleType(this, in, &attach);
    if (FAILED(hr)) return RefuseStream(hr);
    const long needed = OutputBufferBytes();
    if (needed > 0 && FAILED(hr = GrowOutputBuffers(needed))) return RefuseStream(hr);
    ComPtr<IMediaSample> out;
    if (FAILED(m_output->GetDeliveryBuffer(&out, nullptr, nullptr, 0)))
        return S_OK;  // no buffer (stopping): the frame is dropped
    if (attach.IsValid() && FAILED(hr = out->SetMediaType(&attach))) return RefuseStream(hr);
    // A type the downstream allocator attached (a new stride) is the output's type from now on;
    // one this filter cannot make ends the stream rather than drawing with the old one.
    AM_MEDIA_TYPE* changed = nullptr;
    if (out->GetMediaType(&changed) == S_OK && changed) {
        CMediaType type(*changed);
        DeleteMediaType(changed);
        hr = m_output->CheckMediaType(&type);
        if (hr != S_OK || FAILED(hr = m_output->SetMediaType(&type))) return RefuseStream(FAILED(hr) ? hr : VFW_E_TYPE_NOT_ACCEPTED);
    }
    REFERENCE_TIME start = 0, stop = 0;
    if (SUCCEEDED(in->GetTime(&start, &stop))) out->SetTime(&start, &stop);
    out->SetSyncPoint(in->IsSyncPoint() == S_OK);
    out->SetDiscontinuity(in->IsDiscontinuity() == S_OK);
    out->SetPreroll(in->IsPreroll() == S_OK);
    hr = Transform(in, out.Get());
    if (hr == S_FALSE) return S_OK;
    if (FAILED(hr)) return hr;
    return m_output->Deliver(out.Get());
}

HRESULT CTransformFilter::EndOfStream() {
    return m_output->IsConnected() ? m_output->DeliverEndOfStream() : S_OK;
}

HRESULT CTransformFilter::BeginFlush() {
    return m_output->IsConnected() ? m_output->DeliverBeginFlush() : S_OK;
}

HRESULT CTransformFilter::EndFlush() {
    return m_output->IsConnected() ? m_output->DeliverEndFlush() : S_OK;
}

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return m_output->IsConnected() ? m_output->DeliverNewSegment(start, stop, rate) : S_OK;
}
