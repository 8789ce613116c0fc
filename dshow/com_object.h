// The one reference-count implementation of our COM objects. An object counts its own
// references and deletes itself at zero; pins and other parts that live inside an object pass
// their IUnknown calls to the object that owns them ("outer"), so that they share its count.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <atomic>

// IUnknown's layout under names of its own: the object's real QueryInterface, AddRef and
// Release, reachable even where IUnknown's methods forward to an outer object.
struct INonDelegatingUnknown {
    virtual HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingAddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE NonDelegatingRelease() = 0;
};

class CUnknown : public INonDelegatingUnknown {
public:
    // `outer` null: the object is its own owner.
    explicit CUnknown(IUnknown* outer);
    virtual ~CUnknown() = default;
    CUnknown(const CUnknown&) = delete;
    CUnknown& operator=(const CUnknown&) = delete;

    // The IUnknown that holds this object's references.
    IUnknown* GetOwner() const { return m_owner; }

    HRESULT STDMETHODCALLTYPE NonDelegatingQueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE NonDelegatingAddRef() override;
    ULONG STDMETHODCALLTYPE NonDelegatingRelease() override;

private:
    IUnknown* m_owner;
    std::atomic<ULONG> m_refCount{0};
};

// Hands out `iface` (already of the asked type) with a reference added.
HRESULT GetInterface(IUnknown* iface, void** out);

// The IUnknown methods of a class derived from CUnknown, forwarding to the owner.
#define DECLARE_IUNKNOWN                                                                   \
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {                         \
        return GetOwner()->QueryInterface(iid, out);                                       \
    }                                                                                      \
    STDMETHODIMP_(ULONG) AddRef() override { return GetOwner()->AddRef(); }                \
    STDMETHODIMP_(ULONG) Release() override { return GetOwner()->Release(); }
