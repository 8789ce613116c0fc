// The pin contract.
#include "base_pin.h"

#include "base_filter.h"
#include "enum_media_types.h"

#include <wrl/client.h>

#include <cstring>
#include <new>

CBasePin::CBasePin(const wchar_t*, CBaseFilter* filter, CriticalSection* lock, HRESULT*,
                   const wchar_t* name, PIN_DIRECTION direction)
    : CUnknown(nullptr),
      m_name(name ? name : L""),
      m_pFilter(filter),
      m_pLock(lock),
      m_dir(direction) {}

CBasePin::~CBasePin() {
    if (m_connected) m_connected->Release();
}

STDMETHODIMP CBasePin::NonDelegatingQueryInterface(REFIID iid, void** out) {
    if (iid == IID_IPin) return GetInterface(static_cast<IPin*>(this), out);
    return CUnknown::NonDelegatingQueryInterface(iid, out);
}

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingAddRef() { return m_pFilter->AddRef(); }

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingRelease() { return m_pFilter->Release(); }

bool CBasePin::IsStopped() const { return m_pFilter->IsStopped(); }

STDMETHODIMP CBasePin::Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) {
    if (!receivePin) return E_POINTER;
    ScopedCriticalSection lock(m_pLock->get());
    if (m_connected) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    CMediaType wanted;
    if (type) wanted = *type;
    HRESULT hr = AgreeMediaType(receivePin, &wanted);
    if (FAILED(hr)) DisconnectInternal();
    return hr;
}

HRESULT CBasePin::AgreeMediaType(IPin* receivePin, const CMediaType* type) {
    if (type->IsFullySpecified()) return AttemptConnection(receivePin, type);

    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int round = 0; round < 2; ++round) {
        bool mine = (round == 0) == m_tryMyTypesFirst;
        Microsoft::WRL::ComPtr<IEnumMediaTypes> types;
        HRESULT hr = mine ? EnumMediaTypes(&types) : receivePin->EnumMediaTypes(&types);
        if (FAILED(hr) || !types) continue;
        hr = TryMediaTypes(receivePin, type, types.Get());
        if (SUCCEEDED(hr)) return hr;
        if (hr != VFW_E_NO_ACCEPTABLE_TYPES) last = hr;
    }
    return last;
}

HRESULT CBasePin::TryMediaTypes(IPin* receivePin, const CMediaType* partial,
                                IEnumMediaTypes* types) {
    HRESULT last = VFW_E_NO_ACCEPTABLE_TYPES;
    types->Reset();
    AM_MEDIA_TYPE* candidate = nullptr;
    ULONG fetched = 0;
    while (types->Next(1, &candidate, &fetched) == S_OK && fetched == 1) {
        CMediaType type(*candidate);
        DeleteMediaType(candidate);
        if (!type.MatchesPartial(partial)) continue;
        HRESULT hr = AttemptConnection(receivePin, &type);
        if (SUCCEEDED(hr)) return hr;
        last = hr;
    }
    return last == VFW_E_TYPE_NOT_ACCEPTED ? VFW_E_NO_ACCEPTABLE_TYPES : last;
}

HRESULT CBasePin::AttemptConnection(IPin* receivePin, const CMediaType* type) {
    HRESULT hr = CheckConnect(receivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(type);
    if (hr != S_OK) {
        BreakConnect();
        return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
    }
    m_connected = receivePin;
    m_connected->AddRef();
    hr = SetMediaType(type);
    if (SUCCEEDED(hr)) {
        hr = receivePin->ReceiveConnection(static_cast<IPin*>(this), type);
        if (SUCCEEDED(hr)) {
            hr = CompleteConnect(receivePin);
            if (SUCCEEDED(hr)) return hr;
            receivePin->Disconnect();
        }
    }
    DisconnectInternal();
    return hr;
}

STDMETHODIMP CBasePin::ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) {
    if (!connector || !type) return E_POINTER;
    ScopedCriticalSection lock(m_pLock->get());
    if (m_connected) return VFW_E_ALREADY_CONNECTED;
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    HRESULT hr = CheckConnect(connector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    CMediaType offered(*type);
    hr = CheckMediaType(&offered);
    if (hr != S_OK) {
        BreakConnect();
        return SUCCEEDED(hr) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
    }
    m_connected = connector;
    m_connected->AddRef();
    hr = SetMediaType(&offered);
    if (SUCCEEDED(hr)) hr = CompleteConnect(connector);
    if (FAILED(hr)) DisconnectInternal();
    return hr;
}

void CBasePin::DisconnectInternal() {
    if (!m_connected) return;
    BreakConnect();
    m_connected->Release();
    m_connected = nullptr;
    ScopedCriticalSection typeLock(m_typeLock.get());
    m_mt = CMediaType();
}

STDMETHODIMP CBasePin::Disconnect() {
    ScopedCriticalSection lock(m_pLock->get());
    if (!IsStopped()) return VFW_E_NOT_STOPPED;
    if (!m_connected) return S_FALSE;
    DisconnectInternal();
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectedTo(IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = m_connected;
    if (!m_connected) return VFW_E_NOT_CONNECTED;
    m_connected->AddRef();
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    ScopedCriticalSection lock(m_pLock->get());
    if (!m_connected) {
        std::memset(type, 0, sizeof(*type));
        return VFW_E_NOT_CONNECTED;
    }
    ScopedCriticalSection typeLock(m_typeLock.get());
    return CopyMediaType(type, &m_mt);
}

STDMETHODIMP CBasePin::QueryPinInfo(PIN_INFO* info) {
    if (!info) return E_POINTER;
    info->pFilter = m_pFilter;
    m_pFilter->AddRef();
    lstrcpynW(info->achName, m_name.c_str(), MAX_PIN_NAME);
    info->dir = m_dir;
    return S_OK;
}

STDMETHODIMP CBasePin::QueryDirection(PIN_DIRECTION* direction) {
    if (!direction) return E_POINTER;
    *direction = m_dir;
    return S_OK;
}

STDMETHODIMP CBasePin::QueryId(LPWSTR* id) {
    if (!id) return E_POINTER;
    std::wstring text = Id();
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*id) return E_OUTOFMEMORY;
    std::memcpy(*id, text.c_str(), bytes);
    return S_OK;
}

STDMETHODIMP CBasePin::QueryAccept(const AM_MEDIA_TYPE* type) {
    if (!type) return E_POINTER;
    CMediaType candidate(*type);
    return CheckMediaType(&candidate) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP CBasePin::EnumMediaTypes(IEnumMediaTypes** types) {
    if (!types) return E_POINTER;
    *types = new (std::nothrow) CEnumMediaTypes(this, 0);
    if (!*types) return E_OUTOFMEMORY;
    (*types)->AddRef();
    return S_OK;
}

STDMETHODIMP CBasePin::QueryInternalConnections(IPin**, ULONG*) { return E_NOTIMPL; }

STDMETHODIMP CBasePin::EndOfStream() { return S_OK; }

STDMETHODIMP CBasePin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) {
    m_segmentStart = start;
    m_segmentStop = stop;
    m_segmentRate = rate;
    return S_OK;
}

HRESULT CBasePin::GetMediaType(int position, CMediaType*) {
    return position < 0 ? E_INVALIDARG : VFW_S_NO_MORE_ITEMS;
}

HRESULT CBasePin::SetMediaType(const CMediaType* type) {
    ScopedCriticalSection typeLock(m_typeLock.get());
    return m_mt.Set(*type);
}

CMediaType CBasePin::CurrentMediaType() const {
    ScopedCriticalSection typeLock(m_typeLock.get());
    return m_mt;
}

bool CBasePin::CurrentMediaTypeIs(const CMediaType& type) const {
    ScopedCriticalSection typeLock(m_typeLock.get());
    return type == m_mt;
}

HRESULT CBasePin::CheckConnect(IPin* pin) {
    PIN_DIRECTION other;
    HRESULT hr = pin->QueryDirection(&other);
    if (FAILED(hr)) return hr;
    return other == m_dir ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() { return S_OK; }

HRESULT CBasePin::CompleteConnect(IPin*) { return S_OK; }
