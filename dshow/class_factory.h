// The factory-template table through which our filters are created, the class factory that
// serves each entry, and the class-object entry point that searches the table. A module that
// holds filters defines g_Templates and g_cTemplates.
#pragma once
#include <windows.h>
#include <dshow.h>

#include <atomic>

#include "com_object.h"

using LPFNNewCOMObject = CUnknown* (*)(IUnknown* outer, HRESULT* hr);
using LPFNInitRoutine = void (*)(BOOL loading, const CLSID* clsid);

// Registration data of a filter's pin and of the filter (what IFilterMapper2 takes).
struct AMOVIESETUP_PIN_DATA {
    const wchar_t* name;
    BOOL rendered;
    BOOL output;
    BOOL zero;
    BOOL many;
    const CLSID* connectsToFilter;
    const wchar_t* connectsToPin;
    UINT mediaTypeCount;
    const REGPINTYPES* mediaTypes;
};

struct AMOVIESETUP_FILTER_DATA {
    const CLSID* clsid;
    const wchar_t* name;
    DWORD merit;
    UINT pinCount;
    const AMOVIESETUP_PIN_DATA* pins;
};

struct CFactoryTemplate {
    const wchar_t* m_Name;
    const CLSID* m_ClsID;
    LPFNNewCOMObject m_lpfnNew;
    LPFNInitRoutine m_lpfnInit;
    const AMOVIESETUP_FILTER_DATA* m_pAMovieSetup_Filter;

    bool IsClassID(REFCLSID clsid) const { return *m_ClsID == clsid; }
    CUnknown* CreateInstance(IUnknown* outer, HRESULT* hr) const { return m_lpfnNew(outer, hr); }
};

extern const CFactoryTemplate g_Templates[];
extern const int g_cTemplates;

class CClassFactory : public IClassFactory {
public:
    explicit CClassFactory(const CFactoryTemplate* entry);
    virtual ~CClassFactory() = default;
    CClassFactory(const CClassFactory&) = delete;
    CClassFactory& operator=(const CClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    std::atomic<ULONG> m_refCount{0};
    const CFactoryTemplate* m_entry;
};

// Searches g_Templates for `clsid`: CLASS_E_CLASSNOTAVAILABLE when it is not there.
STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out);
