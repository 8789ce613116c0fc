// Pin enumeration.
#include "enum_pins.h"

#include <new>

#include "base_filter.h"
#include "base_pin.h"

CEnumPins::CEnumPins(CBaseFilter* filter, int position, long version)
    : m_filter(filter), m_position(position), m_version(version) {
    m_filter->AddRef();
}

CEnumPins::~CEnumPins() { m_filter->Release(); }

STDMETHODIMP CEnumPins::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumPins) {
        *out = static_cast<IEnumPins*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumPins::AddRef() { return ++m_refCount; }

STDMETHODIMP_(ULONG) CEnumPins::Release() {
    ULONG count = --m_refCount;
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
    if (!pins) return E_POINTER;
    if (count != 1 && !fetched) return E_INVALIDARG;
    if (m_version != m_filter->PinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    ULONG got = 0;
    while (got < count && m_position < m_filter->GetPinCount()) {
        CBasePin* pin = m_filter->GetPin(m_position++);
        if (!pin) continue;
        pins[got] = pin;
        pin->AddRef();
        ++got;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumPins::Skip(ULONG count) {
    if (m_version != m_filter->PinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    int left = m_filter->GetPinCount() - m_position;
    if (static_cast<long long>(count) > left) {
        m_position = m_filter->GetPinCount();
        return S_FALSE;
    }
    m_position += static_cast<int>(count);
    return S_OK;
}

STDMETHODIMP CEnumPins::Reset() {
    m_version = m_filter->PinVersion();
    m_position = 0;
    return S_OK;
}

STDMETHODIMP CEnumPins::Clone(IEnumPins** clone) {
    if (!clone) return E_POINTER;
    if (m_version != m_filter->PinVersion()) return VFW_E_ENUM_OUT_OF_SYNC;
    *clone = new (std::nothrow) CEnumPins(m_filter, m_position, m_version);
    if (!*clone) return E_OUTOFMEMORY;
    (*clone)->AddRef();
    return S_OK;
}
