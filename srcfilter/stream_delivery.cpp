// The stream's per-frame work: copy the producer's frame when it is due and stamp the sample.
#include "stream.h"

HRESULT Cqvl_Stream::FillBuffer(IMediaSample* pSample) {
    if (pSample == nullptr) {
        return E_POINTER;
    }
    BYTE* buffer = nullptr;
    pSample->GetPointer(&buffer);
    CScopedLock guard(&streamLock);
    if (buffer != nullptr && sharedMemory.Lock() != nullptr) {
        // Clamped to the mapped region: a smaller region leaves the rest of the buffer as it was.
        sharedMemory.CopyFrame(buffer, static_cast<DWORD>(pSample->GetSize()));
    }
    sharedMemory.Unlock();
    REFERENCE_TIME start = frameNumber * frameTime;
    REFERENCE_TIME stop = start + frameTime;
    pSample->SetTime(&start, &stop);
    LONGLONG mediaStart = frameNumber;
    LONGLONG mediaStop = ++frameNumber;
    pSample->SetMediaTime(&mediaStart, &mediaStop);
    pSample->SetSyncPoint(TRUE);
    return S_OK;
}

// The worker holds each sample until the stream time reaches its start (while the filter runs
// with a clock) and only then has it filled, so the copy is made just as the sample is due.
// frameNumber changes only on the worker thread, which is the one asking.
HRESULT Cqvl_Stream::GetNextSampleTimes(REFERENCE_TIME* pStart, REFERENCE_TIME* pStop) {
    *pStart = frameNumber * frameTime;
    *pStop = *pStart + frameTime;
    return S_OK;
}

HRESULT Cqvl_Stream::OnThreadCreate() {
    frameNumber = 0;
    return S_OK;
}

STDMETHODIMP Cqvl_Stream::Notify(IBaseFilter*, Quality) {
    return E_NOTIMPL;
}
