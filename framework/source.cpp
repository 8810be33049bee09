#include "source.h"

#include "sourcestream.h"

#include <cwchar>
#include <new>

CSource::CSource(const WCHAR* objectName, IUnknown* outer, REFCLSID clsid)
    : CBaseFilter(objectName, outer, &stateLock, clsid) {}

CSource::~CSource() {
    // Each stream's destructor removes itself, shrinking the array.
    while (pinCount != 0) {
        delete streams[pinCount - 1];
    }
}

STDMETHODIMP CSource::Stop() {
    CScopedLock guard(&stateLock);
    const HRESULT hr = CBaseFilter::Stop();
    PassTimingToStreams();
    return hr;
}

STDMETHODIMP CSource::Pause() {
    CScopedLock guard(&stateLock);
    const HRESULT hr = CBaseFilter::Pause();
    PassTimingToStreams();
    return hr;
}

STDMETHODIMP CSource::Run(REFERENCE_TIME tStart) {
    CScopedLock guard(&stateLock);
    const HRESULT hr = CBaseFilter::Run(tStart);
    PassTimingToStreams();
    return hr;
}

STDMETHODIMP CSource::SetSyncSource(IReferenceClock* pClock) {
    CScopedLock guard(&stateLock);
    const HRESULT hr = CBaseFilter::SetSyncSource(pClock);
    PassTimingToStreams();
    return hr;
}

void CSource::PassTimingToStreams() {
    FILTER_STATE now = State_Stopped;
    GetState(0, &now);
    ComPtr<IReferenceClock> clock;
    GetSyncSource(&clock);
    for (int i = 0; i < pinCount; ++i) {
        streams[i]->SetTiming(now, clock.Get(), startTime);
    }
}

int CSource::GetPinCount() {
    CScopedLock guard(&stateLock);
    return pinCount;
}

CBasePin* CSource::GetPin(int n) {
    CScopedLock guard(&stateLock);
    if (n < 0 || n >= pinCount) {
        return nullptr;
    }
    return streams[n];
}

STDMETHODIMP CSource::FindPin(LPCWSTR Id, IPin** ppPin) {
    if (ppPin == nullptr) {
        return E_POINTER;
    }
    const int number = Id != nullptr ? static_cast<int>(wcstol(Id, nullptr, 10)) : 0;
    CBasePin* pin = GetPin(number - 1);
    if (pin == nullptr) {
        *ppPin = nullptr;
        return VFW_E_NOT_FOUND;
    }
    *ppPin = static_cast<IPin*>(pin);
    (*ppPin)->AddRef();
    return S_OK;
}

HRESULT CSource::AddPin(CSourceStream* stream) {
    CScopedLock guard(&stateLock);
    CSourceStream** grown = new (std::nothrow) CSourceStream*[pinCount + 1];
    if (grown == nullptr) {
        return E_OUTOFMEMORY;
    }
    for (int i = 0; i < pinCount; ++i) {
        grown[i] = streams[i];
    }
    delete[] streams;
    grown[pinCount] = stream;
    streams = grown;
    ++pinCount;
    return S_OK;
}

HRESULT CSource::RemovePin(CSourceStream* stream) {
    for (int i = 0; i < pinCount; ++i) {
        if (streams[i] != stream) {
            continue;
        }
        if (pinCount == 1) {
            delete[] streams;
            streams = nullptr;
        } else {
            for (int j = i; j + 1 < pinCount; ++j) {
                streams[j] = streams[j + 1];
            }
        }
        --pinCount;
        return S_OK;
    }
    return S_FALSE;
}

int CSource::FindPinNumber(IPin* pin) {
    for (int i = 0; i < pinCount; ++i) {
        if (static_cast<IPin*>(streams[i]) == pin) {
            return i;
        }
    }
    return -1;
}
