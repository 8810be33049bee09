// The stream's per-frame work: copy the producer's frame when it is due and stamp the sample.
#include "stream.h"

HRESULT Cqvl_Stream::FillBuffer(IMediaSample* pSample) {
    if (pSample == nullptr) {
        return E_POINTER;
    }
    BYTE* buffer = nullptr;
    pSample->GetPointer(&buffer);
    {
        CScopedLock guard(&streamLock);
        // A stop, pause or new clock ends the wait for a held mutex at once; the 5 s bound is
        // for the fill itself.
        HANDLE interrupts[interruptCount];
        InterruptEvents(interrupts);
        bool interrupted = false;
        if (buffer != nullptr && sharedMemory.Lock(interrupts, interruptCount, &interrupted)) {
            // Clamped to the mapped region: a smaller one leaves the rest of the buffer as it was.
            sharedMemory.CopyFrame(buffer, static_cast<DWORD>(pSample->GetSize()));
        }
        sharedMemory.Unlock();
        if (interrupted) {
            return S_FILL_INTERRUPTED;
        }
    }
    pSample->SetTime(&nextStart, &nextStop);
    LONGLONG mediaStart = frameNumber;
    LONGLONG mediaStop = frameNumber + 1;
    pSample->SetMediaTime(&mediaStart, &mediaStop);
    pSample->SetSyncPoint(TRUE);
    StampFrame(mediaStop);
    return S_OK;
}

// The worker holds each sample until it is due (while the filter runs with a clock) and only
// then has it filled, so the copy is made just as the sample goes. frameNumber and the stamps
// change only on the worker thread, which is the one asking.
HRESULT Cqvl_Stream::GetNextSampleTimes(REFERENCE_TIME* pStart, REFERENCE_TIME* pStop) {
    *pStart = nextStart;
    *pStop = nextStop;
    return S_OK;
}

void Cqvl_Stream::StampFrame(LONGLONG number) {
    frameNumber = number;
    nextStart = number * frameTime;
    nextStop = nextStart + frameTime;
}

HRESULT Cqvl_Stream::OnThreadCreate() {
    StampFrame(0);
    // Every camera streaming at once has a slot of its own, so each is woken by every frame.
    frameSignal.Claim();
    return S_OK;
}

HRESULT Cqvl_Stream::OnThreadDestroy() {
    frameSignal.Release();
    return S_OK;
}

STDMETHODIMP Cqvl_Stream::Notify(IBaseFilter*, Quality) {
    return E_NOTIMPL;
}
