// Input pins.
#include "input_pin.h"

#include <wrl/client.h>

#include <new>

#include "base_filter.h"
#include "mem_allocator.h"

CBaseInputPin::CBaseInputPin(const wchar_t* objectName, CBaseFilter* filter,
                             CriticalSection* lock, HRESULT* hr, const wchar_t* name)
    : CBasePin(objectName, filter, lock, hr, name, PINDIR_INPUT) {}

CBaseInputPin::~CBaseInputPin() {
    if (m_pAllocator) m_pAllocator->Release();
}

STDMETHODIMP CBaseInputPin::NonDelegatingQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IMemInputPin) return GetInterface(static_cast<IMemInputPin*>(this), out);
    return CBasePin::NonDelegatingQueryInterface(iid, out);
}

STDMETHODIMP CBaseInputPin::GetAllocator(IMemAllocator** allocator) {
    if (!allocator) return E_POINTER;
    ScopedCriticalSection lock(m_pLock->get());
    if (!m_pAllocator) {
        auto* own = new (std::nothrow) CMemAllocator;
        if (!own) return E_OUTOFMEMORY;
        own->NonDelegatingQueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(&m_pAllocator));
    }
    *allocator = m_pAllocator;
    m_pAllocator->AddRef();
    return S_OK;
}

STDMETHODIMP CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) {
    if (!allocator) return E_POINTER;
    ScopedCriticalSection lock(m_pLock->get());
    allocator->AddRef();
    if (m_pAllocator) m_pAllocator->Release();
    m_pAllocator = allocator;
    m_readOnly = readOnly != FALSE;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT CBaseInputPin::CheckStreaming() {
    if (!IsConnected()) return VFW_E_NOT_CONNECTED;
    if (IsStopped()) return VFW_E_WRONG_STATE;
    if (m_flushing) return S_FALSE;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::Receive(IMediaSample* sample) {
    if (!sample) return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;

    Microsoft::WRL::ComPtr<IMediaSample2> sample2;
    if (SUCCEEDED(sample->QueryInterface(IID_PPV_ARGS(&sample2)))) {
        hr = sample2->GetProperties(sizeof(m_sampleProps), reinterpret_cast<BYTE*>(&m_sampleProps));
        if (FAILED(hr)) return hr;
    } else {
        m_sampleProps = {};
        m_sampleProps.cbData = sizeof(m_sampleProps);
        m_sampleProps.dwStreamId = AM_STREAM_MEDIA;
        m_sampleProps.lActual = sample->GetActualDataLength();
        if (SUCCEEDED(sample->GetTime(&m_sampleProps.tStart, &m_sampleProps.tStop)))
            m_sampleProps.dwSampleFlags |= AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
        if (sample->IsSyncPoint() == S_OK) m_sampleProps.dwSampleFlags |= AM_SAMPLE_SPLICEPOINT;
        if (sample->IsDiscontinuity() == S_OK)
            m_sampleProps.dwSampleFlags |= AM_SAMPLE_DATADISCONTINUITY;
        sample->GetPointer(&m_sampleProps.pbBuffer);
        m_sampleProps.cbBuffer = sample->GetSize();
    }

    // A type attached to the sample must be one the pin takes.
    if ((m_sampleProps.dwSampleFlags & AM_SAMPLE_TYPECHANGED) && m_sampleProps.pMediaType) {
        CMediaType changed(*m_sampleProps.pMediaType);
        if (CheckMediaType(&changed) != S_OK) return VFW_E_INVALIDMEDIATYPE;
    }
    return S_OK;
}

STDMETHODIMP CBaseInputPin::ReceiveMultiple(IMediaSample** samples, long count, long* processed) {
    if (!samples || !processed) return E_POINTER;
    *processed = 0;
    HRESULT hr = S_OK;
    while (*processed < count) {
        hr = Receive(samples[*processed]);
        if (hr != S_OK) break;
        ++*processed;
    }
    return hr;
}

STDMETHODIMP CBaseInputPin::ReceiveCanBlock() { return S_OK; }

STDMETHODIMP CBaseInputPin::BeginFlush() {
    m_flushing = true;
    return S_OK;
}

STDMETHODIMP CBaseInputPin::EndFlush() {
    m_flushing = false;
    return S_OK;
}

HRESULT CBaseInputPin::BreakConnect() {
    if (m_pAllocator) {
        m_pAllocator->Decommit();
        m_pAllocator->Release();
        m_pAllocator = nullptr;
    }
    return S_OK;
}

HRESULT CBaseInputPin::Inactive() {
    m_flushing = false;
    if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Decommit();
}
