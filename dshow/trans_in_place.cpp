// In-place transform filters and their pins.
#include "trans_in_place.h"

#include <wrl/client.h>

#include <cstring>
#include <new>

using Microsoft::WRL::ComPtr;

// --- input pin -------------------------------------------------------------------------

CTransInPlaceInputPin::CTransInPlaceInputPin(const wchar_t* objectName,
                                             CTransInPlaceFilter* filter, HRESULT* hr,
                                             const wchar_t* name)
    : CBaseInputPin(objectName, filter, filter->FilterLock(), hr, name), m_pTIPFilter(filter) {}

HRESULT CTransInPlaceInputPin::CheckMediaType(const CMediaType* type) {
    HRESULT hr = m_pTIPFilter->CheckInputType(type);
    if (hr != S_OK) return hr;
    CTransInPlaceOutputPin* out = m_pTIPFilter->OutputPin();
    if (out && out->IsConnected()) return out->GetConnected()->QueryAccept(type);
    return S_OK;
}

HRESULT CTransInPlaceInputPin::SetMediaType(const CMediaType* type) {
    HRESULT hr = CBaseInputPin::SetMediaType(type);
    if (FAILED(hr)) return hr;
    return m_pTIPFilter->SetMediaType(PINDIR_INPUT, type);
}

HRESULT CTransInPlaceInputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
    if (FAILED(hr)) return hr;
    return m_pTIPFilter->CompleteConnect(PINDIR_INPUT, receivePin);
}

HRESULT CTransInPlaceInputPin::BreakConnect() {
    m_pTIPFilter->BreakConnect(PINDIR_INPUT);
    return CBaseInputPin::BreakConnect();
}

STDMETHODIMP CTransInPlaceInputPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    CTransInPlaceOutputPin* out = m_pTIPFilter->OutputPin();
    if (out && out->IsConnected()) return out->GetConnected()->EnumMediaTypes(types);
    return CBaseInputPin::EnumMediaTypes(types);
}

STDMETHODIMP CTransInPlaceInputPin::GetAllocator(IMemAllocator** allocator) {
    if (!allocator) return E_POINTER;
    CTransInPlaceOutputPin* out = m_pTIPFilter->OutputPin();
    if (out && out->ConnectedMemInputPin()) return out->ConnectedMemInputPin()->GetAllocator(allocator);
    return CBaseInputPin::GetAllocator(allocator);
}

STDMETHODIMP CTransInPlaceInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
    if (!allocator) return E_POINTER;
    CTransInPlaceOutputPin* out = m_pTIPFilter->OutputPin();
    if (out && out->ConnectedMemInputPin() && out->Allocator() != allocator) {
        // Offer the same allocator downstream, so that the sample can pass without a copy.
        if (SUCCEEDED(out->ConnectedMemInputPin()->NotifyAllocator(allocator, readOnly)))
            out->SetAllocator(allocator);
    }
    return CBaseInputPin::NotifyAllocator(allocator, readOnly);
}

STDMETHODIMP CTransInPlaceInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) {
    if (!props) return E_POINTER;
    CTransInPlaceOutputPin* out = m_pTIPFilter->OutputPin();
    if (out && out->ConnectedMemInputPin())
        return out->ConnectedMemInputPin()->GetAllocatorRequirements(props);
    return E_NOTIMPL;
}

STDMETHODIMP CTransInPlaceInputPin::Receive(IMediaSample* sample) {
    ScopedCriticalSection lock(m_pTIPFilter->ReceiveLock());
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    return m_pTIPFilter->Receive(sample);
}

STDMETHODIMP CTransInPlaceInputPin::EndOfStream() {
    ScopedCriticalSection lock(m_pTIPFilter->ReceiveLock());
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    return m_pTIPFilter->EndOfStream();
}

STDMETHODIMP CTransInPlaceInputPin::BeginFlush() {
    CBaseInputPin::BeginFlush();
    return m_pTIPFilter->BeginFlush();
}

STDMETHODIMP CTransInPlaceInputPin::EndFlush() {
    CBaseInputPin::EndFlush();
    return m_pTIPFilter->EndFlush();
}

STDMETHODIMP CTransInPlaceInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                               double rate) {
    CBasePin::NewSegment(start, stop, rate);
    return m_pTIPFilter->NewSegment(start, stop, rate);
}

// --- output pin ------------------------------------------------------------------------

CTransInPlaceOutputPin::CTransInPlaceOutputPin(const wchar_t* objectName,
                                               CTransInPlaceFilter* filter, HRESULT* hr,
                                               const wchar_t* name)
    : CBaseOutputPin(objectName, filter, filter->FilterLock(), hr, name), m_pTIPFilter(filter) {}

HRESULT CTransInPlaceOutputPin::CheckMediaType(const CMediaType* type) {
    // While streaming through a copy, only the type already in use can be taken.
    if (m_pTIPFilter->UsingDifferentAllocators() && !m_pTIPFilter->IsStopped())
        return CurrentMediaTypeIs(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = m_pTIPFilter->CheckInputType(type);
    if (hr != S_OK) return hr;
    CTransInPlaceInputPin* in = m_pTIPFilter->InputPin();
    if (in && in->IsConnected()) return in->GetConnected()->QueryAccept(type);
    return S_OK;
}

HRESULT CTransInPlaceOutputPin::SetMediaType(const CMediaType* type) {
    HRESULT hr = CBaseOutputPin::SetMediaType(type);
    if (FAILED(hr)) return hr;
    return m_pTIPFilter->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT CTransInPlaceOutputPin::CompleteConnect(IPin* receivePin) {
    HRESULT hr = CBaseOutputPin::CompleteConnect(receivePin);
    if (FAILED(hr)) return hr;
    return m_pTIPFilter->CompleteConnect(PINDIR_OUTPUT, receivePin);
}

HRESULT CTransInPlaceOutputPin::BreakConnect() {
    m_pTIPFilter->BreakConnect(PINDIR_OUTPUT);
    return CBaseOutputPin::BreakConnect();
}

HRESULT CTransInPlaceOutputPin::DecideBufferSize(IMemAllocator* allocator,
                                                 ALLOCATOR_PROPERTIES* props) {
    return m_pTIPFilter->DecideBufferSize(allocator, props);
}

HRESULT CTransInPlaceOutputPin::GetMediaType(int position, CMediaType* type) {
    return m_pTIPFilter->GetMediaType(position, type);
}

STDMETHODIMP CTransInPlaceOutputPin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    CTransInPlaceInputPin* in = m_pTIPFilter->InputPin();
    if (!in || !in->IsConnected()) return VFW_E_NOT_CONNECTED;
    return in->GetConnected()->EnumMediaTypes(types);
}

// --- filter ----------------------------------------------------------------------------

CTransInPlaceFilter::CTransInPlaceFilter(const wchar_t* objectName, IUnknown* outer,
                                         REFCLSID clsid, HRESULT*, bool modifiesData)
    : CBaseFilter(objectName, outer, &m_csFilter, clsid), m_modifiesData(modifiesData) {}

CTransInPlaceFilter::~CTransInPlaceFilter() {
    delete m_pInput;
    delete m_pOutput;
}

CTransInPlaceOutputPin* CTransInPlaceFilter::CreateOutputPin(HRESULT* hr) {
    return new (std::nothrow) CTransInPlaceOutputPin(L"TransInPlace output pin", this, hr, L"Output");
}

CBasePin* CTransInPlaceFilter::GetPin(int n) {
    HRESULT hr = S_OK;
    if (!m_pInput) {
        m_pInput = new (std::nothrow) CTransInPlaceInputPin(L"TransInPlace input pin", this, &hr, L"Input");
        if (!m_pInput) return nullptr;
    }
    if (!m_pOutput) {
        m_pOutput = CreateOutputPin(&hr);
        if (!m_pOutput) {
            delete m_pInput;
            m_pInput = nullptr;
            return nullptr;
        }
    }
    if (n == 0) return m_pInput;
    if (n == 1) return m_pOutput;
    return nullptr;
}

STDMETHODIMP CTransInPlaceFilter::Stop() {
    ScopedCriticalSection filterLock(m_csFilter.get());
    if (m_state == State_Stopped) return S_OK;
    // Decommitting the input allocator releases a Receive waiting for a buffer; then the
    // receive lock waits for a frame in progress.
    if (m_pInput) m_pInput->Inactive();
    ScopedCriticalSection receiveLock(m_csReceive.get());
    if (m_pOutput) m_pOutput->Inactive();
    m_state = State_Stopped;
    return S_OK;
}

STDMETHODIMP CTransInPlaceFilter::Pause() {
    ScopedCriticalSection filterLock(m_csFilter.get());
    return CBaseFilter::Pause();
}

HRESULT CTransInPlaceFilter::CheckTransform(const CMediaType*, const CMediaType*) { return S_OK; }

HRESULT CTransInPlaceFilter::GetMediaType(int position, CMediaType* type) {
    if (position < 0) return E_INVALIDARG;
    if (position > 0 || !m_pInput || !m_pInput->IsConnected()) return VFW_S_NO_MORE_ITEMS;
    *type = m_pInput->CurrentMediaType();
    return S_OK;
}

HRESULT CTransInPlaceFilter::DecideBufferSize(IMemAllocator* allocator,
                                              ALLOCATOR_PROPERTIES* props) {
    ALLOCATOR_PROPERTIES request{1, 1, props->cbAlign, props->cbPrefix};
    if (m_pInput && m_pInput->IsConnected() && m_pInput->Allocator()) {
        HRESULT hr = m_pInput->Allocator()->GetProperties(&request);
        if (FAILED(hr)) return hr;
    }
    props->cBuffers = request.cBuffers > 0 ? request.cBuffers : 1;
    props->cbBuffer = request.cbBuffer > 0 ? request.cbBuffer : 1;
    ALLOCATOR_PROPERTIES actual{};
    HRESULT hr = allocator->SetProperties(props, &actual);
    if (FAILED(hr)) return hr;
    if (actual.cBuffers < props->cBuffers || actual.cbBuffer < props->cbBuffer) return E_FAIL;
    return S_OK;
}

HRESULT CTransInPlaceFilter::SetMediaType(PIN_DIRECTION, const CMediaType*) { return S_OK; }

HRESULT CTransInPlaceFilter::CompleteConnect(PIN_DIRECTION direction, IPin*) {
    // A new input type must reach the output as well.
    if (direction != PINDIR_INPUT || !m_pOutput || !m_pOutput->IsConnected()) return S_OK;
    CMediaType input = m_pInput->CurrentMediaType();
    return m_pOutput->CurrentMediaTypeIs(input) ? S_OK : ReconnectPin(m_pOutput, &input);
}

HRESULT CTransInPlaceFilter::BreakConnect(PIN_DIRECTION) { return S_OK; }

bool CTransInPlaceFilter::UsingDifferentAllocators() const {
    return m_pInput && m_pOutput && m_pInput->Allocator() != m_pOutput->Allocator();
}

IMediaSample* CTransInPlaceFilter::Copy(IMediaSample* source) {
    IMediaSample* out = nullptr;
    if (FAILED(m_pOutput->GetDeliveryBuffer(&out, nullptr, nullptr, 0))) return nullptr;
    BYTE* from = nullptr;
    BYTE* to = nullptr;
    long length = source->GetActualDataLength();
    if (FAILED(source->GetPointer(&from)) || FAILED(out->GetPointer(&to)) ||
        length > out->GetSize()) {
        out->Release();
        return nullptr;
    }
    std::memcpy(to, from, static_cast<size_t>(length));
    out->SetActualDataLength(length);
    REFERENCE_TIME start, end;
    if (SUCCEEDED(source->GetTime(&start, &end))) out->SetTime(&start, &end);
    out->SetSyncPoint(source->IsSyncPoint() == S_OK);
    out->SetDiscontinuity(source->IsDiscontinuity() == S_OK);
    out->SetPreroll(source->IsPreroll() == S_OK);
    return out;
}

HRESULT CTransInPlaceFilter::Receive(IMediaSample* sample) {
    ComPtr<IMediaSample> out;
    if (UsingDifferentAllocators()) {
        out.Attach(Copy(sample));
        if (!out) return S_OK;  // no buffer: the frame is dropped
    } else {
        out = sample;
    }
    HRESULT hr = Transform(out.Get());
    if (hr == S_OK) return m_pOutput->Deliver(out.Get());
    return hr == S_FALSE ? S_OK : hr;
}

HRESULT CTransInPlaceFilter::EndOfStream() {
    return m_pOutput && m_pOutput->IsConnected() ? m_pOutput->DeliverEndOfStream() : S_OK;
}

HRESULT CTransInPlaceFilter::BeginFlush() {
    return m_pOutput && m_pOutput->IsConnected() ? m_pOutput->DeliverBeginFlush() : S_OK;
}

HRESULT CTransInPlaceFilter::EndFlush() {
    return m_pOutput && m_pOutput->IsConnected() ? m_pOutput->DeliverEndFlush() : S_OK;
}

HRESULT CTransInPlaceFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return m_pOutput && m_pOutput->IsConnected()
               ? m_pOutput->DeliverNewSegment(start, stop, rate)
               : S_OK;
}
