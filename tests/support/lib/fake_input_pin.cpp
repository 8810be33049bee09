#include "fake_input_pin.h"

#include "fake_type_enum.h"

#include <new>

CFakeInputPin::~CFakeInputPin() {
    Disconnect();
}

STDMETHODIMP CFakeInputPin::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPin)) {
        *out = static_cast<IPin*>(this);
    } else if (IsEqualIID(riid, IID_IMemInputPin)) {
        *out = static_cast<IMemInputPin*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CFakeInputPin::AddRef() {
    return InterlockedIncrement(&references);
}
STDMETHODIMP_(ULONG) CFakeInputPin::Release() {
    return InterlockedDecrement(&references);
}

STDMETHODIMP CFakeInputPin::Connect(IPin*, const AM_MEDIA_TYPE*) {
    return E_UNEXPECTED;
}

STDMETHODIMP CFakeInputPin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) {
    if (pConnector == nullptr || pmt == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex);
    attempts.push_back(*AsOwned(pmt));
    if (peer != nullptr) {
        return VFW_E_ALREADY_CONNECTED;
    }
    const HRESULT hr = receiveRule ? receiveRule(*AsOwned(pmt)) : S_OK;
    if (hr == S_OK) {
        peer = pConnector;
        peer->AddRef();
        connectionType = *pmt;
    }
    return hr;
}

STDMETHODIMP CFakeInputPin::Disconnect() {
    ReleaseHeld();
    std::lock_guard<std::mutex> guard(mutex);
    ++disconnects;
    if (notified != nullptr) {
        notified->Release();
        notified = nullptr;
    }
    if (peer == nullptr) {
        return S_FALSE;
    }
    peer->Release();
    peer = nullptr;
    return S_OK;
}

STDMETHODIMP CFakeInputPin::ConnectedTo(IPin** pPin) {
    if (pPin == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex);
    *pPin = peer;
    if (peer == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    peer->AddRef();
    return S_OK;
}

STDMETHODIMP CFakeInputPin::ConnectionMediaType(AM_MEDIA_TYPE* pmt) {
    if (pmt == nullptr) {
        return E_POINTER;
    }
    std::lock_guard<std::mutex> guard(mutex);
    if (peer == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    return DeepCopyMediaType(pmt, &connectionType);
}

STDMETHODIMP CFakeInputPin::QueryPinInfo(PIN_INFO* pInfo) {
    if (pInfo == nullptr) {
        return E_POINTER;
    }
    pInfo->pFilter = nullptr;
    pInfo->achName[0] = L'I';
    pInfo->achName[1] = L'n';
    pInfo->achName[2] = 0;
    pInfo->dir = PINDIR_INPUT;
    return S_OK;
}

STDMETHODIMP CFakeInputPin::QueryDirection(PIN_DIRECTION* pPinDir) {
    if (pPinDir == nullptr) {
        return E_POINTER;
    }
    *pPinDir = PINDIR_INPUT;
    return S_OK;
}

STDMETHODIMP CFakeInputPin::QueryId(LPWSTR*) {
    return E_NOTIMPL;
}
STDMETHODIMP CFakeInputPin::QueryAccept(const AM_MEDIA_TYPE*) {
    return S_OK;
}

STDMETHODIMP CFakeInputPin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
    if (ppEnum == nullptr) {
        return E_POINTER;
    }
    *ppEnum = new (std::nothrow) CFakeTypeEnum(offered);
    return *ppEnum == nullptr ? E_OUTOFMEMORY : S_OK;
}

STDMETHODIMP CFakeInputPin::QueryInternalConnections(IPin**, ULONG*) {
    return E_NOTIMPL;
}

STDMETHODIMP CFakeInputPin::EndOfStream() {
    endOfStreams.Add();
    return S_OK;
}

STDMETHODIMP CFakeInputPin::BeginFlush() {
    return S_OK;
}
STDMETHODIMP CFakeInputPin::EndFlush() {
    return S_OK;
}
STDMETHODIMP CFakeInputPin::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) {
    return S_OK;
}

STDMETHODIMP CFakeInputPin::GetAllocator(IMemAllocator** ppAllocator) {
    if (ppAllocator == nullptr) {
        return E_POINTER;
    }
    *ppAllocator = allocatorToOffer;
    if (allocatorToOffer == nullptr) {
        return getAllocatorFailure;
    }
    allocatorToOffer->AddRef();
    return S_OK;
}

STDMETHODIMP CFakeInputPin::NotifyAllocator(IMemAllocator* pAllocator, BOOL) {
    if (pAllocator == nullptr) {
        return E_POINTER;
    }
    if (FAILED(notifyResult)) {
        return notifyResult;
    }
    std::lock_guard<std::mutex> guard(mutex);
    pAllocator->AddRef();
    if (notified != nullptr) {
        notified->Release();
    }
    notified = pAllocator;
    return notifyResult;
}

STDMETHODIMP CFakeInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES* pProps) {
    if (pProps == nullptr) {
        return E_POINTER;
    }
    *pProps = requirements;
    return S_OK;
}

STDMETHODIMP CFakeInputPin::Receive(IMediaSample* pSample) {
    if (pSample == nullptr) {
        return E_POINTER;
    }
    BYTE* data = nullptr;
    DWORD counter = 0xFFFFFFFF;
    if (SUCCEEDED(pSample->GetPointer(&data)) && pSample->GetSize() >= 4) {
        CopyMemory(&counter, data, sizeof(counter));
    }
    {
        std::lock_guard<std::mutex> guard(mutex);
        counters.push_back(counter);
        if (holdSamples) {
            pSample->AddRef();
            held.push_back(pSample);
        }
    }
    received.Add();
    return receiveResult;
}

STDMETHODIMP CFakeInputPin::ReceiveMultiple(IMediaSample** pSamples, LONG nSamples,
                                            LONG* nSamplesProcessed) {
    LONG done = 0;
    HRESULT hr = S_OK;
    while (done < nSamples && hr == S_OK) {
        hr = Receive(pSamples[done]);
        ++done;
    }
    if (nSamplesProcessed != nullptr) {
        *nSamplesProcessed = done;
    }
    return hr;
}

STDMETHODIMP CFakeInputPin::ReceiveCanBlock() {
    return S_FALSE;
}

std::vector<COwnedMediaType> CFakeInputPin::Attempts() {
    std::lock_guard<std::mutex> guard(mutex);
    return attempts;
}

std::vector<DWORD> CFakeInputPin::Counters() {
    std::lock_guard<std::mutex> guard(mutex);
    return counters;
}

void CFakeInputPin::ReleaseHeld() {
    std::vector<IMediaSample*> samples;
    {
        std::lock_guard<std::mutex> guard(mutex);
        samples.swap(held);
    }
    for (IMediaSample* sample : samples) {
        sample->Release();
    }
}
