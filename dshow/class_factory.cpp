// Class factories over the factory-template table.
#include "class_factory.h"

#include <new>

namespace {
std::atomic<long> g_serverLocks{0};  // LockServer calls; modules built on us never unload
}

CClassFactory::CClassFactory(const CFactoryTemplate* entry) : m_entry(entry) {}

STDMETHODIMP CClassFactory::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() { return ++m_refCount; }

STDMETHODIMP_(ULONG) CClassFactory::Release() {
    ULONG count = --m_refCount;
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    // An outer object may only ask for our IUnknown.
    if (outer && iid != IID_IUnknown) return E_NOINTERFACE;

    HRESULT hr = S_OK;
    CUnknown* object = m_entry->CreateInstance(outer, &hr);
    if (!object) return FAILED(hr) ? hr : E_OUTOFMEMORY;
    if (FAILED(hr)) {
        delete object;
        return hr;
    }
    object->NonDelegatingAddRef();
    hr = object->NonDelegatingQueryInterface(iid, out);
    object->NonDelegatingRelease();  // the caller's reference remains, if any
    return hr;
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock) {
    if (lock) ++g_serverLocks;
    else --g_serverLocks;
    return S_OK;
}
