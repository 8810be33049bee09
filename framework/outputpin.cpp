#include "outputpin.h"

CBaseOutputPin::CBaseOutputPin(const WCHAR* objectName, CBaseFilter* filter, CCritSec* lock,
                               HRESULT* phr, const WCHAR* pinName)
    : CBasePin(objectName, filter, lock, phr, pinName, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin() = default;

HRESULT CBaseOutputPin::Active() {
    return allocator ? allocator->Commit() : VFW_E_NO_ALLOCATOR;
}

HRESULT CBaseOutputPin::Inactive() {
    runTimeError = false;
    return allocator ? allocator->Decommit() : VFW_E_NO_ALLOCATOR;
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pPin) {
    HRESULT hr = CBasePin::CheckConnect(pPin);
    if (FAILED(hr)) {
        return hr;
    }
    // A previous attempt's reference goes when the query is repeated.
    hr = pPin->QueryInterface(IID_IMemInputPin,
                              reinterpret_cast<void**>(inputPin.ReleaseAndGetAddressOf()));
    if (FAILED(hr)) {
        inputPin.Detach(); // a failed query hands out nothing to release
        return hr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::BreakConnect() {
    if (allocator) {
        const HRESULT hr = allocator->Decommit();
        if (FAILED(hr)) {
            return hr;
        }
        allocator.Reset();
    }
    inputPin.Reset();
    return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*) {
    return DecideAllocator(inputPin.Get(), allocator.ReleaseAndGetAddressOf());
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
    if (!allocator) {
        return E_NOINTERFACE;
    }
    return allocator->GetBuffer(ppSample, pStartTime, pEndTime, dwFlags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* pSample) {
    return inputPin ? inputPin->Receive(pSample) : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::InitAllocator(IMemAllocator** ppAlloc) {
    return CreateMemoryAllocator(ppAlloc);
}

HRESULT CBaseOutputPin::DeliverEndOfStream() {
    return connected ? connected->EndOfStream() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverBeginFlush() {
    return connected ? connected->BeginFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverEndFlush() {
    return connected ? connected->EndFlush() : VFW_E_NOT_CONNECTED;
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop,
                                          double dRate) {
    return connected ? connected->NewSegment(tStart, tStop, dRate) : VFW_E_NOT_CONNECTED;
}

HRESULT CreateMemoryAllocator(IMemAllocator** ppAlloc) {
    return CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                            reinterpret_cast<void**>(ppAlloc));
}
