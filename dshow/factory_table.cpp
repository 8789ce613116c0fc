// The class-object entry point over the module's factory-template table. Kept apart from the
// class factory so that a module with a table of its own making can supply its own entry point.
#include <new>

#include "class_factory.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    for (int i = 0; i < g_cTemplates; ++i) {
        if (!g_Templates[i].IsClassID(clsid)) continue;
        auto* factory = new (std::nothrow) CClassFactory(&g_Templates[i]);
        if (!factory) return E_OUTOFMEMORY;
        factory->AddRef();
        *out = static_cast<IClassFactory*>(factory);
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}
