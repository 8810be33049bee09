#pragma once
// An output pin: takes the peer's IMemInputPin, negotiates an allocator and delivers.
#include "basepin.h"

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(const WCHAR* objectName, CBaseFilter* filter, CCritSec* lock, HRESULT* phr,
                   const WCHAR* pinName);
    ~CBaseOutputPin() override;

    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT CheckConnect(IPin* pPin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* pReceivePin) override;

    virtual HRESULT DecideAllocator(IMemInputPin* pPin, IMemAllocator** ppAlloc);
    virtual HRESULT DecideBufferSize(IMemAllocator* pAlloc, ALLOCATOR_PROPERTIES* pProps) = 0;
    virtual HRESULT GetDeliveryBuffer(IMediaSample** ppSample, REFERENCE_TIME* pStartTime,
                                      REFERENCE_TIME* pEndTime, DWORD dwFlags);
    virtual HRESULT Deliver(IMediaSample* pSample);
    virtual HRESULT InitAllocator(IMemAllocator** ppAlloc);
    virtual HRESULT DeliverEndOfStream();
    virtual HRESULT DeliverBeginFlush();
    virtual HRESULT DeliverEndFlush();
    virtual HRESULT DeliverNewSegment(REFERENCE_TIME tStart, REFERENCE_TIME tStop, double dRate);

    IMemAllocator* Allocator() const { return allocator.Get(); }
    IMemInputPin* InputPin() const { return inputPin.Get(); }

protected:
    ComPtr<IMemAllocator> allocator;
    ComPtr<IMemInputPin> inputPin;
};

HRESULT CreateMemoryAllocator(IMemAllocator** ppAlloc);
