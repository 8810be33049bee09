#include "classfactory.h"

#include <new>

namespace {
volatile LONG serverLocks = 0;
}

CClassFactory::CClassFactory(const CFactoryTemplate* row)
    : CBaseObject(L"Class factory"), row(row) {}

STDMETHODIMP CClassFactory::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CClassFactory::AddRef() {
    return InterlockedIncrement(&referenceCount);
}

STDMETHODIMP_(ULONG) CClassFactory::Release() {
    const LONG count = InterlockedDecrement(&referenceCount);
    if (count == 0) {
        delete this;
    }
    return count;
}

STDMETHODIMP CClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (outer != nullptr && !IsEqualIID(riid, IID_IUnknown)) {
        return E_NOINTERFACE;
    }
    HRESULT hr = S_OK;
    CUnknown* object = nullptr;
    try {
        object = row->createInstance(outer, &hr);
    } catch (const std::bad_alloc&) {
        // Plain `new` in a creation function must not throw across this interface.
        return E_OUTOFMEMORY;
    }
    if (object == nullptr) {
        return SUCCEEDED(hr) ? E_OUTOFMEMORY : hr;
    }
    if (FAILED(hr)) {
        // Destroy through the release that reaches zero, so that a destructor that takes and
        // drops a reference cannot reach zero again and destroy the object twice.
        object->NonDelegatingAddRef();
        object->NonDelegatingRelease();
        return hr;
    }
    object->NonDelegatingAddRef();
    hr = object->NonDelegatingQueryInterface(riid, out);
    object->NonDelegatingRelease();
    return hr;
}

STDMETHODIMP CClassFactory::LockServer(BOOL lock) {
    if (lock) {
        InterlockedIncrement(&serverLocks);
    } else {
        InterlockedDecrement(&serverLocks);
    }
    return S_OK;
}

LONG CClassFactory::ServerLocks() {
    return serverLocks;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** out) {
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory)) {
        return E_NOINTERFACE;
    }
    if (out == nullptr) {
        return E_POINTER;
    }
    for (int i = 0; i < g_cTemplates; ++i) {
        if (!IsEqualCLSID(*g_Templates[i].clsid, rclsid)) {
            continue;
        }
        CClassFactory* factory = new (std::nothrow) CClassFactory(&g_Templates[i]);
        *out = static_cast<IClassFactory*>(factory);
        if (factory == nullptr) {
            return E_OUTOFMEMORY;
        }
        factory->AddRef();
        return S_OK;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return (CClassFactory::ServerLocks() > 0 || CBaseObject::ObjectsActive() != 0) ? S_FALSE : S_OK;
}
