#include "sourcestream.h"

#include "source.h"
#include "widestring.h"

CSourceStream::CSourceStream(const WCHAR* objectName, HRESULT* phr, CSource* filter,
                             const WCHAR* pinName)
    : CBaseOutputPin(objectName, filter, filter->pStateLock(), phr, pinName), sourceFilter(filter) {
    *phr = filter->AddPin(this);
}

CSourceStream::~CSourceStream() {
    sourceFilter->RemovePin(this);
}

HRESULT CSourceStream::Active() {
    CScopedLock guard(sourceFilter->pStateLock());
    if (sourceFilter->IsActive()) {
        return S_FALSE;
    }
    if (!IsConnected()) {
        return S_OK;
    }
    HRESULT hr = CBaseOutputPin::Active();
    if (FAILED(hr)) {
        return hr;
    }
    if (!Create()) {
        return E_FAIL;
    }
    hr = Init();
    if (FAILED(hr)) {
        return hr;
    }
    return Pause();
}

HRESULT CSourceStream::Inactive() {
    CScopedLock guard(sourceFilter->pStateLock());
    if (!IsConnected()) {
        return S_OK;
    }
    // Decommit first: it frees a worker waiting for a buffer.
    HRESULT hr = CBaseOutputPin::Inactive();
    if (FAILED(hr)) {
        return hr;
    }
    if (ThreadExists()) {
        hr = Stop();
        if (FAILED(hr)) {
            return hr;
        }
        hr = Exit();
        if (FAILED(hr)) {
            return hr;
        }
        Close();
    }
    return S_OK;
}

DWORD CSourceStream::ThreadProc() {
    while (GetRequest() != CMD_INIT) {
        Reply(static_cast<DWORD>(E_UNEXPECTED));
    }
    const HRESULT created = OnThreadCreate();
    if (FAILED(created)) {
        OnThreadDestroy();
        Reply(static_cast<DWORD>(created));
        return 1;
    }
    Reply(S_OK);
    for (bool running = true; running;) {
        switch (GetRequest()) {
        case CMD_PAUSE:
        case CMD_RUN:
            Reply(S_OK);
            DoBufferProcessingLoop();
            break;
        case CMD_STOP:
            Reply(S_OK);
            break;
        case CMD_EXIT:
            Reply(S_OK);
            running = false;
            break;
        default:
            Reply(static_cast<DWORD>(E_NOTIMPL));
            break;
        }
    }
    return FAILED(OnThreadDestroy()) ? 1 : 0;
}

HRESULT CSourceStream::DoBufferProcessingLoop() {
    OnThreadStartPlay();
    for (;;) {
        DWORD pending = 0;
        while (!CheckRequest(&pending)) {
            IMediaSample* sample = nullptr;
            if (FAILED(GetDeliveryBuffer(&sample, nullptr, nullptr, 0))) {
                Sleep(1);
                continue;
            }
            HRESULT hr = FillBuffer(sample);
            if (hr == S_OK) {
                hr = Deliver(sample);
                sample->Release();
                if (hr != S_OK) {
                    // Downstream refused: stop pushing, quietly.
                    return S_OK;
                }
            } else if (hr == S_FALSE) {
                sample->Release();
                DeliverEndOfStream();
                return S_OK;
            } else {
                sample->Release();
                DeliverEndOfStream();
                sourceFilter->NotifyEvent(EC_ERRORABORT, hr, 0);
                return hr;
            }
        }
        if (pending == CMD_RUN || pending == CMD_PAUSE) {
            Reply(S_OK);
        } else if (pending == CMD_STOP) {
            // Left pending: the command loop answers it.
            return S_FALSE;
        } else {
            Reply(static_cast<DWORD>(E_UNEXPECTED));
        }
    }
}

HRESULT CSourceStream::GetMediaType(COwnedMediaType*) {
    return E_UNEXPECTED;
}

HRESULT CSourceStream::GetMediaType(int iPosition, COwnedMediaType* pmt) {
    CScopedLock guard(sourceFilter->pStateLock());
    if (iPosition < 0) {
        return E_INVALIDARG;
    }
    if (iPosition > 0) {
        return VFW_S_NO_MORE_ITEMS;
    }
    return GetMediaType(pmt);
}

HRESULT CSourceStream::CheckMediaType(const COwnedMediaType* pmt) {
    CScopedLock guard(sourceFilter->pStateLock());
    COwnedMediaType own;
    GetMediaType(&own);
    return own == *pmt ? S_OK : E_FAIL;
}

STDMETHODIMP CSourceStream::QueryId(LPWSTR* Id) {
    if (Id == nullptr) {
        return E_POINTER;
    }
    const int number = 1 + sourceFilter->FindPinNumber(static_cast<IPin*>(this));
    // The 8-byte identifier holds at most three digits and a terminator.
    if (number < 1 || number > 999) {
        return VFW_E_NOT_FOUND;
    }
    *Id = static_cast<WCHAR*>(CoTaskMemAlloc(8));
    if (*Id == nullptr) {
        return E_OUTOFMEMORY;
    }
    IntToWstr(number, *Id);
    return S_OK;
}
