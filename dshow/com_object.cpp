// Reference counting and interface hand-out.
#include "com_object.h"

CUnknown::CUnknown(IUnknown* outer)
    : m_owner(outer ? outer
                    : reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this))) {}

HRESULT STDMETHODCALLTYPE CUnknown::NonDelegatingQueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown)
        return GetInterface(
            reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this)), out);
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingAddRef() { return ++m_refCount; }

ULONG STDMETHODCALLTYPE CUnknown::NonDelegatingRelease() {
    ULONG count = --m_refCount;
    if (count == 0) delete this;
    return count;
}

HRESULT GetInterface(IUnknown* iface, void** out) {
    if (!out) return E_POINTER;
    *out = iface;
    iface->AddRef();
    return S_OK;
}
