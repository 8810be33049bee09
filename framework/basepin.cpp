#include "basepin.h"

#include "basefilter.h"
#include "enummediatypes.h"
#include "widestring.h"

#include <new>

namespace {
// Refusals that say only "not this type"; anything else is a specific reason worth keeping.
bool IsGenericRefusal(HRESULT hr) {
    return hr == E_FAIL || hr == E_INVALIDARG || hr == VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT AsTypeRefusal(HRESULT hr) {
    return (SUCCEEDED(hr) || hr == E_FAIL || hr == E_INVALIDARG) ? VFW_E_TYPE_NOT_ACCEPTED : hr;
}
} // namespace

CBasePin::CBasePin(const WCHAR*, CBaseFilter* filter, CCritSec* lock, HRESULT*,
                   const WCHAR* pinName, PIN_DIRECTION direction)
    : CUnknown(nullptr, nullptr), name(nullptr), direction(direction), lock(lock), filter(filter) {
    if (pinName != nullptr) {
        const int length = WideLength(pinName);
        name = new (std::nothrow) WCHAR[length + 1];
        if (name != nullptr) {
            CopyMemory(name, pinName, (length + 1) * sizeof(WCHAR));
        }
    }
}

CBasePin::~CBasePin() {
    delete[] name;
}

STDMETHODIMP CBasePin::NonDelegatingQueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IPin)) {
        return GetInterface(static_cast<IPin*>(this), out);
    }
    if (IsEqualIID(riid, IID_IQualityControl)) {
        return GetInterface(static_cast<IQualityControl*>(this), out);
    }
    return CUnknown::NonDelegatingQueryInterface(riid, out);
}

// A pin shares its filter's reference count: it lives exactly as long as the filter.
STDMETHODIMP_(ULONG) CBasePin::NonDelegatingAddRef() {
    return static_cast<IBaseFilter*>(filter)->AddRef();
}

STDMETHODIMP_(ULONG) CBasePin::NonDelegatingRelease() {
    return static_cast<IBaseFilter*>(filter)->Release();
}

bool CBasePin::FilterStopped() const {
    return filter->IsStopped() != FALSE;
}

HRESULT CBasePin::CanConnect() const {
    if (connected) {
        return VFW_E_ALREADY_CONNECTED;
    }
    if (!FilterStopped() && !canReconnectWhenActive) {
        return VFW_E_NOT_STOPPED;
    }
    return S_OK;
}

void CBasePin::DropPeer() {
    connected.Reset();
}

STDMETHODIMP CBasePin::Connect(IPin* pReceivePin, const AM_MEDIA_TYPE* pmt) {
    if (pReceivePin == nullptr) {
        return E_POINTER;
    }
    CScopedLock guard(lock);
    HRESULT hr = CanConnect();
    if (FAILED(hr)) {
        return hr;
    }
    hr = AgreeMediaType(pReceivePin, AsOwned(pmt));
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    return S_OK;
}

HRESULT CBasePin::AgreeMediaType(IPin* pReceivePin, const COwnedMediaType* pmt) {
    if (pmt != nullptr && !pmt->IsIncomplete()) {
        return AttemptConnection(pReceivePin, pmt);
    }
    HRESULT failure = VFW_E_NO_ACCEPTABLE_TYPES;
    for (int pass = 0; pass < 2; ++pass) {
        const bool peerPass = pass == (tryMyTypesFirst ? 1 : 0);
        ComPtr<IEnumMediaTypes> types;
        IEnumMediaTypes** out = types.GetAddressOf();
        const HRESULT got = peerPass ? pReceivePin->EnumMediaTypes(out) : EnumMediaTypes(out);
        if (FAILED(got) || !types) {
            continue;
        }
        const HRESULT hr = TryMediaTypes(pReceivePin, pmt, types.Get());
        if (SUCCEEDED(hr)) {
            return S_OK;
        }
        // "No acceptable types" says nothing new: it must not hide an earlier pass's reason.
        if (!IsGenericRefusal(hr) && hr != VFW_E_NO_ACCEPTABLE_TYPES) {
            failure = hr;
        }
    }
    return failure;
}

HRESULT CBasePin::TryMediaTypes(IPin* pReceivePin, const COwnedMediaType* pmt,
                                IEnumMediaTypes* types) {
    HRESULT hr = types->Reset();
    if (FAILED(hr)) {
        return hr;
    }
    HRESULT failure = S_OK;
    for (;;) {
        AM_MEDIA_TYPE* type = nullptr;
        ULONG fetched = 0;
        if (types->Next(1, &type, &fetched) != S_OK || type == nullptr) {
            return SUCCEEDED(failure) ? VFW_E_NO_ACCEPTABLE_TYPES : failure;
        }
        if (pmt == nullptr || AsOwned(type)->MatchesTemplate(pmt)) {
            hr = AttemptConnection(pReceivePin, AsOwned(type));
            if (FAILED(hr) && !IsGenericRefusal(hr) && SUCCEEDED(failure)) {
                failure = hr;
            }
        } else {
            hr = VFW_E_NO_ACCEPTABLE_TYPES;
        }
        DestroyMediaType(type);
        if (hr == S_OK) {
            return S_OK;
        }
    }
}

HRESULT CBasePin::AttemptConnection(IPin* pReceivePin, const COwnedMediaType* pmt) {
    HRESULT hr = CheckConnect(pReceivePin);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(pmt);
    if (hr == S_OK) {
        // Looks connected from here on, so the peer's calls back see a connected pin.
        connected = pReceivePin;
        hr = SetMediaType(pmt);
        if (SUCCEEDED(hr)) {
            hr = pReceivePin->ReceiveConnection(static_cast<IPin*>(this), pmt);
            if (SUCCEEDED(hr)) {
                hr = CompleteConnect(pReceivePin);
                if (SUCCEEDED(hr)) {
                    return hr;
                }
                pReceivePin->Disconnect();
            }
        }
    } else {
        hr = AsTypeRefusal(hr);
    }
    BreakConnect();
    DropPeer();
    return hr;
}

STDMETHODIMP CBasePin::ReceiveConnection(IPin* pConnector, const AM_MEDIA_TYPE* pmt) {
    if (pConnector == nullptr || pmt == nullptr) {
        return E_POINTER;
    }
    CScopedLock guard(lock);
    HRESULT hr = CanConnect();
    if (FAILED(hr)) {
        return hr;
    }
    hr = CheckConnect(pConnector);
    if (FAILED(hr)) {
        BreakConnect();
        return hr;
    }
    hr = CheckMediaType(AsOwned(pmt));
    if (hr != S_OK) {
        BreakConnect();
        return AsTypeRefusal(hr);
    }
    connected = pConnector;
    hr = SetMediaType(AsOwned(pmt));
    if (SUCCEEDED(hr)) {
        hr = CompleteConnect(pConnector);
        if (SUCCEEDED(hr)) {
            return S_OK;
        }
    }
    DropPeer();
    BreakConnect();
    return hr;
}

STDMETHODIMP CBasePin::Disconnect() {
    CScopedLock guard(lock);
    if (!FilterStopped()) {
        return VFW_E_NOT_STOPPED;
    }
    if (!connected) {
        return S_FALSE;
    }
    const HRESULT hr = BreakConnect();
    if (FAILED(hr)) {
        return hr;
    }
    DropPeer();
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectedTo(IPin** pPin) {
    if (pPin == nullptr) {
        return E_POINTER;
    }
    IPin* peer = connected.Get();
    *pPin = peer;
    if (peer == nullptr) {
        return VFW_E_NOT_CONNECTED;
    }
    peer->AddRef();
    return S_OK;
}

STDMETHODIMP CBasePin::ConnectionMediaType(AM_MEDIA_TYPE* pmt) {
    if (pmt == nullptr) {
        return E_POINTER;
    }
    CScopedLock guard(lock);
    if (!connected) {
        static_cast<COwnedMediaType*>(pmt)->InitDefaults();
        return VFW_E_NOT_CONNECTED;
    }
    DeepCopyMediaType(pmt, &mediaType);
    return S_OK;
}

STDMETHODIMP CBasePin::QueryPinInfo(PIN_INFO* pInfo) {
    if (pInfo == nullptr) {
        return E_POINTER;
    }
    pInfo->pFilter = static_cast<IBaseFilter*>(filter);
    pInfo->pFilter->AddRef();
    if (name != nullptr) {
        WideCopyBounded(pInfo->achName, name, MAX_PIN_NAME);
    } else {
        pInfo->achName[0] = 0;
    }
    pInfo->dir = direction;
    return S_OK;
}

STDMETHODIMP CBasePin::QueryDirection(PIN_DIRECTION* pPinDir) {
    if (pPinDir == nullptr) {
        return E_POINTER;
    }
    *pPinDir = direction;
    return S_OK;
}

STDMETHODIMP CBasePin::QueryId(LPWSTR* Id) {
    if (Id == nullptr) {
        return E_POINTER;
    }
    return DuplicateWideString(name != nullptr ? name : L"", Id);
}

STDMETHODIMP CBasePin::QueryAccept(const AM_MEDIA_TYPE* pmt) {
    if (pmt == nullptr) {
        return E_POINTER;
    }
    const HRESULT hr = CheckMediaType(AsOwned(pmt));
    return FAILED(hr) ? S_FALSE : hr;
}

STDMETHODIMP CBasePin::EnumMediaTypes(IEnumMediaTypes** ppEnum) {
    if (ppEnum == nullptr) {
        return E_POINTER;
    }
    *ppEnum = new (std::nothrow) CEnumMediaTypes(this, nullptr);
    return *ppEnum == nullptr ? E_OUTOFMEMORY : S_OK;
}

STDMETHODIMP CBasePin::QueryInternalConnections(IPin**, ULONG*) {
    return E_NOTIMPL;
}

// End-of-stream and flush notices travel downstream only, into input pins.
STDMETHODIMP CBasePin::EndOfStream() {
    return E_UNEXPECTED;
}
STDMETHODIMP CBasePin::BeginFlush() {
    return E_UNEXPECTED;
}
STDMETHODIMP CBasePin::EndFlush() {
    return E_UNEXPECTED;
}

STDMETHODIMP CBasePin::NewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate) {
    segmentStart = tStart;
    segmentStop = tStop;
    segmentRate = dRate;
    return S_OK;
}

STDMETHODIMP CBasePin::Notify(IBaseFilter*, Quality) {
    return E_NOTIMPL;
}

STDMETHODIMP CBasePin::SetSink(IQualityControl* piqc) {
    CScopedLock guard(lock);
    qualitySink = piqc;
    return S_OK;
}

LONG CBasePin::GetMediaTypeVersion() {
    return typeVersion;
}

void CBasePin::IncrementTypeVersion() {
    InterlockedIncrement(&typeVersion);
}

HRESULT CBasePin::Active() {
    return S_OK;
}
HRESULT CBasePin::Inactive() {
    return S_OK;
}
HRESULT CBasePin::Run(REFERENCE_TIME) {
    return S_OK;
}

HRESULT CBasePin::SetMediaType(const COwnedMediaType* pmt) {
    const HRESULT hr = mediaType.AssignFrom(pmt);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT CBasePin::CheckConnect(IPin* pPin) {
    PIN_DIRECTION peerDirection;
    const HRESULT hr = pPin->QueryDirection(&peerDirection);
    if (FAILED(hr)) {
        return hr;
    }
    return peerDirection == direction ? VFW_E_INVALID_DIRECTION : S_OK;
}

HRESULT CBasePin::BreakConnect() {
    return S_OK;
}
HRESULT CBasePin::CompleteConnect(IPin*) {
    return S_OK;
}
HRESULT CBasePin::GetMediaType(int, COwnedMediaType*) {
    return E_UNEXPECTED;
}
