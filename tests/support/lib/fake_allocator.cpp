#include "fake_allocator.h"

#include "outputpin.h"

CFakeAllocator::CFakeAllocator() {
    if (FAILED(CreateMemoryAllocator(&inner))) {
        inner = nullptr;
    }
}

CFakeAllocator::~CFakeAllocator() {
    if (inner != nullptr) {
        inner->Decommit();
        inner->Release();
    }
}

STDMETHODIMP CFakeAllocator::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMemAllocator)) {
        *out = static_cast<IMemAllocator*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CFakeAllocator::AddRef() {
    return InterlockedIncrement(&references);
}
STDMETHODIMP_(ULONG) CFakeAllocator::Release() {
    return InterlockedDecrement(&references);
}

STDMETHODIMP CFakeAllocator::SetProperties(ALLOCATOR_PROPERTIES* pRequest,
                                           ALLOCATOR_PROPERTIES* pActual) {
    if (pRequest == nullptr || pActual == nullptr) {
        return E_POINTER;
    }
    lastRequest = *pRequest;
    ++setPropertiesCalls;
    ALLOCATOR_PROPERTIES granted = *pRequest;
    if (grantedSize != 0) {
        granted.cbBuffer = grantedSize;
    }
    return inner->SetProperties(&granted, pActual);
}

STDMETHODIMP CFakeAllocator::GetProperties(ALLOCATOR_PROPERTIES* pProps) {
    return inner->GetProperties(pProps);
}

STDMETHODIMP CFakeAllocator::Commit() {
    commits.Add();
    return inner->Commit();
}

STDMETHODIMP CFakeAllocator::Decommit() {
    decommits.Add();
    return inner->Decommit();
}

STDMETHODIMP CFakeAllocator::GetBuffer(IMediaSample** ppBuffer, REFERENCE_TIME* pStartTime,
                                       REFERENCE_TIME* pEndTime, DWORD dwFlags) {
    getBufferCalls.Add();
    return inner->GetBuffer(ppBuffer, pStartTime, pEndTime, dwFlags);
}

STDMETHODIMP CFakeAllocator::ReleaseBuffer(IMediaSample* pBuffer) {
    return inner->ReleaseBuffer(pBuffer);
}
