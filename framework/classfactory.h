#pragma once
// The module's table of creatable classes and the class factory that serves it.
#include "unknown.h"

#include <dshow.h>

struct AMOVIESETUP_FILTER;

using LPFNNewCOMObject = CUnknown* (*)(IUnknown* outer, HRESULT* result);
using LPFNInitRoutine = void (*)(BOOL loading, const CLSID* clsid);

struct CFactoryTemplate {
    const WCHAR* name;
    const CLSID* clsid;
    LPFNNewCOMObject createInstance;
    LPFNInitRoutine initRoutine;
    const AMOVIESETUP_FILTER* setupData;
};

// Defined by the module that links the framework (the DLL, or a test program).
extern CFactoryTemplate g_Templates[];
extern int g_cTemplates;

class CClassFactory : public IClassFactory, public CBaseObject {
public:
    explicit CClassFactory(const CFactoryTemplate* row);

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

    static LONG ServerLocks();

private:
    const CFactoryTemplate* const row;
    volatile LONG referenceCount = 0;
};

extern "C" {
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** out);
STDAPI DllCanUnloadNow();
}
