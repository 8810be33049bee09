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

HRESULT CBaseOutputPin::CompleteConnect(IPin*) {
    return DecideAllocator(inputPin, &allocator);
}

namespace {
// Sizes a candidate allocator and offers it to the input pin; releases it on refusal.
template <typename Decide>
HRESULT TryAllocator(HRESULT obtained, IMemInputPin* pPin, IMemAllocator** ppAlloc,
                     Decide decideBufferSize) {
    HRESULT hr = obtained;
    if (SUCCEEDED(hr)) {
        hr = decideBufferSize(*ppAlloc);
    }
    if (SUCCEEDED(hr)) {
        hr = pPin->NotifyAllocator(*ppAlloc, FALSE);
    }
    if (FAILED(hr) && *ppAlloc != nullptr) {
        (*ppAlloc)->Release();
        *ppAlloc = nullptr;
    }
    return hr;
}
} // namespace

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc) {
    *ppAlloc = nullptr;
    ALLOCATOR_PROPERTIES props = {};
    pPin->GetAllocatorRequirements(&props);
    if (props.cbAlign == 0) {
        props.cbAlign = 1;
    }
    // Both candidates see the same record, including what the first sizing changed in it.
    auto decide = [this, &props](IMemAllocator* candidate) {
        return DecideBufferSize(candidate, &props);
    };
    // The input pin's own allocator first, then the platform's memory allocator.
    const HRESULT hr = TryAllocator(pPin->GetAllocator(ppAlloc), pPin, ppAlloc, decide);
    if (SUCCEEDED(hr)) {
        return S_OK;
    }
    const HRESULT own = TryAllocator(InitAllocator(ppAlloc), pPin, ppAlloc, decide);
    return SUCCEEDED(own) ? S_OK : own;
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
    return connected != nullptr ? connected->NewSegment(tStart, tStop, dRate) : VFW_E_NOT_CONNECTED;
}

HRESULT CreateMemoryAllocator(IMemAllocator** ppAlloc) {
    return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                            reinterpret_cast<void**>(ppAlloc));
}
