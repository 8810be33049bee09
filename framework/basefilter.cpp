#include "basefilter.h"

#include "basepin.h"
#include "enumpins.h"
#include "mapperstep.h"
#include "widestring.h"

#include <new>

CBaseFilter::CBaseFilter(const WCHAR* objectName, IUnknown* outer, CCritSec* lock, REFCLSID clsid)
    : CUnknown(objectName, outer), clsid(clsid), lock(lock) {}

CBaseFilter::~CBaseFilter() {
    delete[] name;
}

STDMETHODIMP CBaseFilter::QueryInterface(REFIID riid, void** out) {
    return GetOwner()->QueryInterface(riid, out);
}

STDMETHODIMP CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IBaseFilter) || IsEqualIID(riid, IID_IMediaFilter) ||
        IsEqualIID(riid, IID_IPersist)) {
        return GetInterface(static_cast<IBaseFilter*>(this), out);
    }
    if (IsEqualIID(riid, IID_IAMovieSetup)) {
        return GetInterface(static_cast<IAMovieSetup*>(this), out);
    }
    return CUnknown::NonDelegatingQueryInterface(riid, out);
}

STDMETHODIMP CBaseFilter::GetClassID(CLSID* pClsID) {
    if (pClsID == nullptr) {
        return E_POINTER;
    }
    *pClsID = clsid;
    return S_OK;
}

STDMETHODIMP CBaseFilter::Stop() {
    CScopedLock guard(lock);
    HRESULT result = S_OK;
    if (state != State_Stopped) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin != nullptr && pin->IsConnected()) {
                const HRESULT hr = pin->Inactive();
                if (FAILED(hr) && SUCCEEDED(result)) {
                    result = hr;
                }
            }
        }
    }
    state = State_Stopped;
    return result;
}

STDMETHODIMP CBaseFilter::Pause() {
    CScopedLock guard(lock);
    if (state == State_Stopped) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin != nullptr && pin->IsConnected()) {
                const HRESULT hr = pin->Active();
                if (FAILED(hr)) {
                    return hr;
                }
            }
        }
    }
    state = State_Paused;
    return S_OK;
}

STDMETHODIMP CBaseFilter::Run(REFERENCE_TIME tStart) {
    CScopedLock guard(lock);
    startTime = tStart;
    if (state == State_Stopped) {
        // Through the interface so that an override of Pause is honoured.
        const HRESULT hr = static_cast<IBaseFilter*>(this)->Pause();
        if (FAILED(hr)) {
            return hr;
        }
    }
    if (state != State_Running) {
        const int count = GetPinCount();
        for (int i = 0; i < count; ++i) {
            CBasePin* pin = GetPin(i);
            if (pin != nullptr && pin->IsConnected()) {
                const HRESULT hr = pin->Run(tStart);
                if (FAILED(hr)) {
                    return hr;
                }
            }
        }
    }
    state = State_Running;
    return S_OK;
}

STDMETHODIMP CBaseFilter::GetState(DWORD, FILTER_STATE* pState) {
    if (pState == nullptr) {
        return E_POINTER;
    }
    *pState = state;
    return S_OK;
}

STDMETHODIMP CBaseFilter::SetSyncSource(IReferenceClock* pClock) {
    CScopedLock guard(lock);
    clock = pClock;
    return S_OK;
}

STDMETHODIMP CBaseFilter::GetSyncSource(IReferenceClock** pClock) {
    if (pClock == nullptr) {
        return E_POINTER;
    }
    CScopedLock guard(lock);
    return clock.CopyTo(pClock);
}

STDMETHODIMP CBaseFilter::EnumPins(IEnumPins** ppEnum) {
    if (ppEnum == nullptr) {
        return E_POINTER;
    }
    *ppEnum = new (std::nothrow) CEnumPins(this, nullptr);
    return *ppEnum == nullptr ? E_OUTOFMEMORY : S_OK;
}

STDMETHODIMP CBaseFilter::FindPin(LPCWSTR Id, IPin** ppPin) {
    if (ppPin == nullptr) {
        return E_POINTER;
    }
    *ppPin = nullptr;
    if (Id == nullptr) {
        return VFW_E_NOT_FOUND;
    }
    const int count = GetPinCount();
    for (int i = 0; i < count; ++i) {
        CBasePin* pin = GetPin(i);
        PIN_INFO info;
        if (pin == nullptr || FAILED(pin->QueryPinInfo(&info))) {
            continue;
        }
        if (info.pFilter != nullptr) {
            info.pFilter->Release();
        }
        if (lstrcmpW(info.achName, Id) == 0) {
            *ppPin = static_cast<IPin*>(pin);
            (*ppPin)->AddRef();
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

STDMETHODIMP CBaseFilter::QueryFilterInfo(FILTER_INFO* pInfo) {
    if (pInfo == nullptr) {
        return E_POINTER;
    }
    if (name != nullptr) {
        WideCopyBounded(pInfo->achName, name, MAX_FILTER_NAME);
    } else {
        pInfo->achName[0] = 0;
    }
    pInfo->pGraph = graph;
    if (graph != nullptr) {
        graph->AddRef();
    }
    return S_OK;
}

STDMETHODIMP CBaseFilter::JoinFilterGraph(IFilterGraph* pGraph, LPCWSTR pName) {
    CScopedLock guard(lock);
    graph = pGraph;
    eventSink = nullptr;
    if (pGraph != nullptr) {
        // Weak: the graph owns the filter, so the filter keeps no reference on it.
        if (SUCCEEDED(pGraph->QueryInterface(IID_IMediaEventSink,
                                             reinterpret_cast<void**>(&eventSink)))) {
            eventSink->Release();
        } else {
            eventSink = nullptr;
        }
    }
    delete[] name;
    name = nullptr;
    if (pName != nullptr) {
        const int length = WideLength(pName);
        name = new (std::nothrow) WCHAR[length + 1];
        if (name != nullptr) {
            CopyMemory(name, pName, (length + 1) * sizeof(WCHAR));
        }
    }
    return S_OK;
}

STDMETHODIMP CBaseFilter::QueryVendorInfo(LPWSTR*) {
    return E_NOTIMPL;
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME& rtStream) {
    if (!clock) {
        return VFW_E_NO_CLOCK;
    }
    REFERENCE_TIME now = 0;
    const HRESULT hr = clock->GetTime(&now);
    if (FAILED(hr)) {
        return hr;
    }
    rtStream = now - startTime;
    return S_OK;
}

LONG CBaseFilter::GetPinVersion() {
    return pinVersion;
}

void CBaseFilter::IncrementPinVersion() {
    InterlockedIncrement(&pinVersion);
}

const AMOVIESETUP_FILTER* CBaseFilter::GetSetupData() {
    return nullptr;
}

HRESULT CBaseFilter::NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2) {
    IMediaEventSink* sink = eventSink;
    if (sink == nullptr) {
        return E_NOTIMPL;
    }
    if (code == EC_COMPLETE) {
        param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
    }
    return sink->Notify(code, param1, param2);
}

BOOL CBaseFilter::IsActive() {
    CScopedLock guard(lock);
    return state == State_Paused || state == State_Running;
}

namespace {
// Hands the setup record to the old-style filter mapper; the mapper's own result, with an
// entry that was not there counted as removed.
HRESULT RegisterWithMapper(const AMOVIESETUP_FILTER* setup, BOOL registering) {
    if (setup == nullptr) {
        return S_FALSE;
    }
    CFilterMapperStep mapper(CFilterMapperStep::olderOnly);
    const HRESULT hr = mapper.Apply(setup, registering);
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr;
}
} // namespace

STDMETHODIMP CBaseFilter::Register() {
    return RegisterWithMapper(GetSetupData(), TRUE);
}

STDMETHODIMP CBaseFilter::Unregister() {
    return RegisterWithMapper(GetSetupData(), FALSE);
}
