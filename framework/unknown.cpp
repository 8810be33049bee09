#include "unknown.h"

namespace {
volatile LONG liveObjects = 0;

// Counts are never reported as 0 unless the object is gone.
ULONG AtLeastOne(LONG count) {
    return static_cast<ULONG>(count) < 1 ? 1 : static_cast<ULONG>(count);
}
} // namespace

CBaseObject::CBaseObject(const WCHAR*) {
    InterlockedIncrement(&liveObjects);
}

CBaseObject::~CBaseObject() {
    InterlockedDecrement(&liveObjects);
}

LONG CBaseObject::ObjectsActive() {
    return liveObjects;
}

CUnknown::CUnknown(const WCHAR* objectName, IUnknown* outer)
    : CBaseObject(objectName),
      owner(outer != nullptr
                ? outer
                : reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this))) {}

HRESULT CUnknown::NonDelegatingQueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown)) {
        return GetInterface(reinterpret_cast<IUnknown*>(static_cast<INonDelegatingUnknown*>(this)),
                            out);
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG CUnknown::NonDelegatingAddRef() {
    return AtLeastOne(InterlockedIncrement(&referenceCount));
}

ULONG CUnknown::NonDelegatingRelease() {
    const LONG count = InterlockedDecrement(&referenceCount);
    if (count == 0) {
        // Guards against a second destruction by AddRef/Release pairs made while dying.
        referenceCount = 1;
        delete this;
        return 0;
    }
    return AtLeastOne(count);
}

HRESULT GetInterface(IUnknown* p, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = p;
    p->AddRef();
    return S_OK;
}
