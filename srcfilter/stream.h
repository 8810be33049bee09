#pragma once
// The camera's one output pin: a fixed RGB32 format built from the settings, frames copied
// from the shared frame channel, the capture pin category and IAMStreamConfig.
#include "framesignal.h"
#include "qvl_protocol.h"
#include "sharedmemory.h"
#include "sourcestream.h"

#include <dshow.h>

class Cqvl_Stream : public CSourceStream, public IKsPropertySet, public IAMStreamConfig {
public:
    Cqvl_Stream(HRESULT* phr, CSource* filter, const WCHAR* pinName);
    ~Cqvl_Stream() override;

    // Every face shares the pin's reference count.
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return CBasePin::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return CBasePin::Release(); }

    // Per-frame work.
    HRESULT FillBuffer(IMediaSample* pSample) override;
    HRESULT GetNextSampleTimes(REFERENCE_TIME* pStart, REFERENCE_TIME* pStop) override;
    HRESULT OnThreadCreate() override;
    HRESULT OnThreadDestroy() override;
    HANDLE WrittenEvent() override { return frameSignal.Event(); }
    LONG WrittenCount() override { return frameSignal.Sequence(); }
    STDMETHODIMP Notify(IBaseFilter* pSender, Quality q) override;

    // Format negotiation.
    using CSourceStream::GetMediaType;
    HRESULT GetMediaType(int iPosition, COwnedMediaType* pmt) override;
    HRESULT CheckMediaType(const COwnedMediaType* pmt) override;
    HRESULT SetMediaType(const COwnedMediaType* pmt) override;
    HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProps) override;

    // IKsPropertySet
    STDMETHODIMP Set(REFGUID set, DWORD id, void* instance, DWORD instanceSize, void* data,
                     DWORD dataSize) override;
    STDMETHODIMP Get(REFGUID set, DWORD id, void* instance, DWORD instanceSize, void* data,
                     DWORD dataSize, DWORD* returned) override;
    STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

    // IAMStreamConfig
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE* pmt) override;
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE** ppmt) override;
    STDMETHODIMP GetNumberOfCapabilities(int* piCount, int* piSize) override;
    STDMETHODIMP GetStreamCaps(int iIndex, AM_MEDIA_TYPE** ppmt, BYTE* pSCC) override;

    LONG Width() const { return width; }
    LONG Height() const { return height; }
    REFERENCE_TIME FrameTime() const { return frameTime; }

private:
    void ApplySettings();
    void BuildFormat();

    // Sets the stamps of the next sample, frame `number` of the run.
    void StampFrame(LONGLONG number);

    // Guards the channel: constructor, destructor and every fill (lock order: sourcestream.h).
    CCritSec streamLock;
    Cqvl_SharedMemory sharedMemory;
    // The producer's optional word that a frame is complete; claimed while the worker runs.
    Cqvl_FrameSignal frameSignal;
    LONG height = QVL_DEFAULT_HEIGHT;
    LONG width = QVL_DEFAULT_WIDTH;
    REFERENCE_TIME frameTime = 10000000 / QVL_DEFAULT_FPS;
    LONGLONG frameNumber = 0;
    // The next sample's stamps, set once per frame; read by the worker's pacing and the fill.
    REFERENCE_TIME nextStart = 0;
    REFERENCE_TIME nextStop = 0;
};
