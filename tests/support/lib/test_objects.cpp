#include "test_objects.h"

#include <new>

InitRoutineLog initRoutineLog;

CTestObject::CTestObject(IUnknown* outer) : CUnknown(L"Test object", outer) {}

CTestObject::~CTestObject() {
    InterlockedIncrement(&destroyed);
}

CUnknown* CTestObject::CreateInstance(IUnknown* outer, HRESULT*) {
    return new (std::nothrow) CTestObject(outer);
}

STDMETHODIMP CTestObject::NonDelegatingQueryInterface(REFIID riid, void** out) {
    if (IsEqualIID(riid, IID_ITestFace)) {
        return GetInterface(static_cast<ITestFace*>(this), out);
    }
    return CUnknown::NonDelegatingQueryInterface(riid, out);
}

STDMETHODIMP CTestObject::Identify(const void** object) {
    *object = this;
    return S_OK;
}

CSelfReferencingObject::CSelfReferencingObject(IUnknown* outer)
    : CUnknown(L"Self-referencing object", outer) {}

CSelfReferencingObject::~CSelfReferencingObject() {
    NonDelegatingAddRef();
    NonDelegatingRelease();
    InterlockedIncrement(&destroyed);
}

CUnknown* CSelfReferencingObject::CreateInstance(IUnknown* outer, HRESULT*) {
    return new (std::nothrow) CSelfReferencingObject(outer);
}

CFailingObject::CFailingObject(IUnknown* outer, HRESULT* result) : CSelfReferencingObject(outer) {
    *result = testCreationFailure;
}

CFailingObject::~CFailingObject() {
    InterlockedIncrement(&destroyed);
}

CUnknown* CFailingObject::CreateInstance(IUnknown* outer, HRESULT* result) {
    return new (std::nothrow) CFailingObject(outer, result);
}

CUnknown* CreateNothing(IUnknown*, HRESULT*) {
    return nullptr;
}

CUnknown* CreateNothingWithFailure(IUnknown*, HRESULT* result) {
    *result = testCreationFailure;
    return nullptr;
}

CUnknown* CreateThrowing(IUnknown*, HRESULT*) {
    throw std::bad_alloc();
}

void RecordInitRoutine(BOOL loading, const CLSID* clsid) {
    if (loading) {
        ++initRoutineLog.loading;
    } else {
        ++initRoutineLog.unloading;
    }
    initRoutineLog.lastClsid = clsid;
}

STDMETHODIMP CTestOuter::QueryInterface(REFIID riid, void** out) {
    if (IsEqualIID(riid, IID_IUnknown)) {
        *out = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    return inner != nullptr ? inner->QueryInterface(riid, out) : E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CTestOuter::AddRef() {
    return InterlockedIncrement(&references);
}

STDMETHODIMP_(ULONG) CTestOuter::Release() {
    return InterlockedDecrement(&references);
}
