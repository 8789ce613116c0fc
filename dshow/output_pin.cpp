// Output pins.
#include "output_pin.h"

#include <new>

#include "mem_allocator.h"

CBaseOutputPin::CBaseOutputPin(const wchar_t* objectName, CBaseFilter* filter,
                               CriticalSection* lock, HRESULT* hr, const wchar_t* name)
    : CBasePin(objectName, filter, lock, hr, name, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() {
    SetAllocator(nullptr);
    if (m_pInputPin) m_pInputPin->Release();
}

void CBaseOutputPin::SetAllocator(IMemAllocator* allocator) {
    if (allocator) allocator->AddRef();
    if (m_pAllocator) m_pAllocator->Release();
    m_pAllocator = allocator;
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pin) {
    HRESULT hr = CBasePin::CheckConnect(pin);
    if (FAILED(hr)) return hr;
    if (m_pInputPin) m_pInputPin->Release();
    m_pInputPin = nullptr;
    hr = pin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&m_pInputPin));
    return FAILED(hr) ? VFW_E_NO_TRANSPORT : S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*) {
    IMemAllocator* allocator = nullptr;
    HRESULT hr = DecideAllocator(m_pInputPin, &allocator);
    if (SUCCEEDED(hr)) {
        SetAllocator(allocator);
        allocator->Release();
    }
    return hr;
}

HRESULT CBaseOutputPin::BreakConnect() {
    if (m_pAllocator) m_pAllocator->Decommit();
    SetAllocator(nullptr);
    if (m_pInputPin) m_pInputPin->Release();
    m_pInputPin = nullptr;
    return S_OK;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** allocator) {
    auto* own = new (std::nothrow) CMemAllocator;
    if (!own) return E_OUTOFMEMORY;
    return own->NonDelegatingQueryInterface(IID_IMemAllocator, reinterpret_cast<void**>(allocator));
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pin, IMemAllocator** allocator) {
    *allocator = nullptr;
    ALLOCATOR_PROPERTIES props{};
    pin->GetAllocatorRequirements(&props);  // a pin without requirements leaves them zero
    if (props.cbAlign == 0) props.cbAlign = 1;

    HRESULT hr = pin->GetAllocator(allocator);
    if (SUCCEEDED(hr)) {
        hr = DecideBufferSize(*allocator, &props);
        if (SUCCEEDED(hr)) hr = pin->NotifyAllocator(*allocator, FALSE);
        if (SUCCEEDED(hr)) return hr;
        (*allocator)->Release();
        *allocator = nullptr;
    }

    hr = InitAllocator(allocator);
    if (SUCCEEDED(hr)) {
        hr = DecideBufferSize(*allocator, &props);
        if (SUCCEEDED(hr)) hr = pin->NotifyAllocator(*allocator, FALSE);
        if (SUCCEEDED(hr)) return hr;
        (*allocator)->Release();
        *allocator = nullptr;
    }
    return hr;
}

HRESULT CBaseOutputPin::Active() {
    if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Commit();
}

HRESULT CBaseOutputPin::Inactive() {
    if (!m_pAllocator) return VFW_E_NO_ALLOCATOR;
    return m_pAllocator->Decommit();
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start,
                                          REFERENCE_TIME* end, DWORD flags) {
    if (!m_pAllocator) return E_NOINTERFACE;
    return m_pAllocator->GetBuffer(sample, start, end, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample) {
    if (!m_pInputPin) return VFW_E_NOT_CONNECTED;
    return m_pInputPin->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
    return m_connected ? m_connected->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
    return m_connected ? m_connected->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
    return m_connected ? m_connected->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    return m_connected ? m_connected->NewSegment(start, stop, rate) : VFW_E_NOT_CONNECTED;
}
