// Media type enumeration.
#include "enum_media_types.h"

#include <new>

#include "base_pin.h"

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, int position) : m_pin(pin), m_position(position) {
    m_pin->AddRef();
}

CEnumMediaTypes::~CEnumMediaTypes() { m_pin->Release(); }

STDMETHODIMP CEnumMediaTypes::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IEnumMediaTypes) {
        *out = static_cast<IEnumMediaTypes*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CEnumMediaTypes::AddRef() { return ++m_refCount; }

STDMETHODIMP_(ULONG) CEnumMediaTypes::Release() {
    ULONG count = --m_refCount;
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
    if (!types) return E_POINTER;
    if (count != 1 && !fetched) return E_INVALIDARG;
    ULONG got = 0;
    while (got < count) {
        CMediaType type;
        if (m_pin->GetMediaType(m_position, &type) != S_OK) break;
        ++m_position;
        types[got] = CreateMediaType(&type);
        if (!types[got]) break;
        ++got;
    }
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG count) {
    for (ULONG i = 0; i < count; ++i) {
        CMediaType type;
        if (m_pin->GetMediaType(m_position, &type) != S_OK) return S_FALSE;
        ++m_position;
    }
    return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Reset() {
    m_position = 0;
    return S_OK;
}

STDMETHODIMP CEnumMediaTypes::Clone(IEnumMediaTypes** clone) {
    if (!clone) return E_POINTER;
    *clone = new (std::nothrow) CEnumMediaTypes(m_pin, m_position);
    if (!*clone) return E_OUTOFMEMORY;
    (*clone)->AddRef();
    return S_OK;
}
