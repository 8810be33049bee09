#include "outputpin.h"

CBaseOutputPin::CBaseOutputPin(const WCHAR* objectName, CBaseFilter* filter, CCritSec* lock,
                               HRESULT* phr, const WCHAR* pinName)
    : CBasePin(objectName, filter, lock, phr, pinName, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() = default;

HRESULT CBaseOutputPin::Active() {
    return allocator != nullptr ? allocator->Commit() : VFW_E_NO_ALLOCATOR;
}

HRESULT CBaseOutputPin::Inactive() {
    runTimeError = false;
    return allocator != nullptr ? allocator->Decommit() : VFW_E_NO_ALLOCATOR;
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pPin) {
    HRESULT hr = CBasePin::CheckConnect(pPin);
    if (FAILED(hr)) {
        return hr;
    }
    if (inputPin != nullptr) {
        // A previous attempt's reference must not leak when the query is repeated.
        inputPin->Release();
        inputPin = nullptr;
    }
    hr = pPin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&inputPin));
    if (FAILED(hr)) {
        inputPin = nullptr;
        return hr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect() {
    if (allocator != nullptr) {
        const HRESULT hr = allocator->Decommit();
        if (FAILED(hr)) {
            return hr;
        }
        allocator->Release();
        allocator = nullptr;
    }
    if (inputPin != nullptr) {
        inputPin->Release();
        inputPin = nullptr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*) { return DecideAllocator(inputPin, &allocator); }

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc) {
    *ppAlloc = nullptr;
    ALLOCATOR_PROPERTIES props = {};
    pPin->GetAllocatorRequirements(&props);
    if (props.cbAlign == 0) {
        props.cbAlign = 1;
    }
    HRESULT hr = pPin->GetAllocator(ppAlloc);
    if (SUCCEEDED(hr)) {
        hr = DecideBufferSize(*ppAlloc, &props);
        if (SUCCEEDED(hr)) {
            hr = pPin->NotifyAllocator(*ppAlloc, FALSE);
            if (SUCCEEDED(hr)) {
                return S_OK;
            }
        }
    }
    if (*ppAlloc != nullptr) {
        (*ppAlloc)->Release();
        *ppAlloc = nullptr;
    }
    hr = InitAllocator(ppAlloc);
    if (SUCCEEDED(hr)) {
        hr = DecideBufferSize(*ppAlloc, &props);
        if (SUCCEEDED(hr)) {
            hr = pPin->NotifyAllocator(*ppAlloc, FALSE);
            if (SUCCEEDED(hr)) {
                return S_OK;
            }
        }
    }
    if (*ppAlloc != nullptr) {
        (*ppAlloc)->Release();
        *ppAlloc = nullptr;
    }
    return hr;
}

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** ppSample, REFERENCE_TIME* pStartTime,
                                          REFERENCE_TIME* pEndTime, DWORD dwFlags) {
    if (allocator == nullptr) {
        return E_NOINTERFACE;
    }
    return allocator->GetBuffer(ppSample, pStartTime, pEndTime, dwFlags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* pSample) {
    return inputPin != nullptr ? inputPin->Receive(pSample) : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** ppAlloc) {
    return CreateMemoryAllocator(ppAlloc);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
    return connected != nullptr ? connected->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
    return connected != nullptr ? connected->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
    return connected != nullptr ? connected->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop,
                                          double dRate) {
    return connected != nullptr ? connected->NewSegment(tStart, tStop, dRate)
                                : VFW_E_NOT_CONNECTED;
}

HRESULT CreateMemoryAllocator(IMemAllocator** ppAlloc) {
    return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                            IID_IMemAllocator, reinterpret_cast<void**>(ppAlloc));
}
