#include "class_factory.h"

#include "media_source.h"
#include "module_count.h"

STDMETHODIMP SourceFactory::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
        *out = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP SourceFactory::CreateInstance(IUnknown* outer, REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    return outer != nullptr ? CLASS_E_NOAGGREGATION : MediaSource::CreateInstance(riid, out);
}

STDMETHODIMP SourceFactory::LockServer(BOOL lock) {
    ModuleCount::Lock(lock != FALSE);
    return S_OK;
}
