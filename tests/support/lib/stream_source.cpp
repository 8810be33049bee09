#include "stream_source.h"

#include <uuids.h>

#include <new>

COwnedMediaType TestStreamType() {
    COwnedMediaType type;
    type.SetMajorType(&MEDIATYPE_Video);
    type.SetSubType(&MEDIASUBTYPE_RGB32);
    type.SetFormatTypeGuid(&FORMAT_VideoInfo);
    type.SetTemporallyCompressed(FALSE);
    type.SetFixedSampleSize(CTestStream::frameBytes);
    auto* format = reinterpret_cast<VIDEOINFOHEADER*>(type.ReserveFormat(sizeof(VIDEOINFOHEADER)));
    if (format != nullptr) {
        ZeroMemory(format, sizeof(VIDEOINFOHEADER));
        format->AvgTimePerFrame = 400000;
        format->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        format->bmiHeader.biWidth = 8;
        format->bmiHeader.biHeight = 8;
        format->bmiHeader.biPlanes = 1;
        format->bmiHeader.biBitCount = 32;
        format->bmiHeader.biCompression = BI_RGB;
        format->bmiHeader.biSizeImage = CTestStream::frameBytes;
    }
    return type;
}

CTestStream::CTestStream(HRESULT* phr, CSource* filter)
    : CSourceStream(L"test stream", phr, filter, L"Out") {}

HRESULT CTestStream::FillBuffer(IMediaSample* pSample) {
    const LONG call = fills.Add();
    if (call == failAtFill) {
        return fillFailure;
    }
    if (call == endAtFill) {
        return S_FALSE;
    }
    BYTE* data = nullptr;
    HRESULT hr = pSample->GetPointer(&data);
    if (FAILED(hr)) {
        return hr;
    }
    if (pSample->GetSize() < static_cast<long>(sizeof(DWORD))) {
        return E_UNEXPECTED;
    }
    // The sample carries the number of fills before it: 0, 1, 2, ...
    const DWORD counter = static_cast<DWORD>(call - 1);
    CopyMemory(data, &counter, sizeof(counter));
    if (pacedFrameTime != 0) {
        REFERENCE_TIME start = (call - 1) * pacedFrameTime;
        REFERENCE_TIME stop = start + pacedFrameTime;
        pSample->SetTime(&start, &stop);
    }
    return S_OK;
}

HRESULT CTestStream::GetNextSampleTimes(REFERENCE_TIME* pStart, REFERENCE_TIME* pStop) {
    if (pacedFrameTime == 0) {
        return S_FALSE;
    }
    *pStart = fills.Value() * pacedFrameTime;
    *pStop = *pStart + pacedFrameTime;
    return S_OK;
}

HRESULT CTestStream::DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProps) {
    SizeDecision decision = {pAlloc, *pProps, E_FAIL};
    if (static_cast<int>(decisions.size()) >= refuseAllocators) {
        ALLOCATOR_PROPERTIES request = *pProps;
        request.cBuffers = 1;
        request.cbBuffer = frameBytes;
        ALLOCATOR_PROPERTIES actual = {};
        decision.result = pAlloc->SetProperties(&request, &actual);
        if (SUCCEEDED(decision.result) && actual.cbBuffer < frameBytes) {
            decision.result = E_FAIL;
        }
    }
    decisions.push_back(decision);
    return decision.result;
}

HRESULT CTestStream::GetMediaType(COwnedMediaType* pmt) {
    const COwnedMediaType own = TestStreamType();
    return pmt->AssignFrom(&own);
}

HRESULT CTestStream::CheckMediaType(const COwnedMediaType* pmt) {
    const HRESULT own = CSourceStream::CheckMediaType(pmt);
    if (own == S_OK) {
        return S_OK;
    }
    for (const COwnedMediaType& type : alsoAccepted) {
        if (type == *pmt) {
            return S_OK;
        }
    }
    return own;
}

HRESULT CTestStream::OnThreadCreate() {
    threadCreates.Add();
    return S_OK;
}

HRESULT CTestStream::OnThreadStartPlay() {
    startPlays.Add();
    return S_OK;
}

CTestSource::CTestSource() : CSource(L"test source", nullptr, CLSID_TestSource) {
    CScopedLock guard(pStateLock());
    HRESULT hr = S_OK;
    // Owned by the filter from here on: CSource deletes its streams.
    stream = new (std::nothrow) CTestStream(&hr, this);
}

ULONG CTestSource::References() {
    AddRef();
    return Release();
}
