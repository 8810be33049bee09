#pragma once
// A source filter: owns its stream pins and the state lock they share.
#include "basefilter.h"

class CSourceStream;

class CSource : public CBaseFilter {
public:
    CSource(const WCHAR* objectName, IUnknown* outer, REFCLSID clsid);
    ~CSource() override;

    // State changes and the clock are passed on to the streams, whose workers pace delivery
    // by them (CSourceStream::SetTiming).
    STDMETHODIMP Stop() override;
    STDMETHODIMP Pause() override;
    STDMETHODIMP Run(REFERENCE_TIME tStart) override;
    STDMETHODIMP SetSyncSource(IReferenceClock* pClock) override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;
    STDMETHODIMP FindPin(LPCWSTR Id, IPin** ppPin) override;

    HRESULT AddPin(CSourceStream* stream);
    HRESULT RemovePin(CSourceStream* stream);
    int FindPinNumber(IPin* pin);
    CCritSec* pStateLock() { return &stateLock; }

protected:
    // Under the state lock: hands the state, clock and start time to every stream.
    void PassTimingToStreams();

    int pinCount = 0;
    CSourceStream** streams = nullptr;
    // The outermost lock: state lock -> a worker's command lock -> its timing lock or its
    // stream's own lock -> a producer's mutex (written out in sourcestream.h).
    CCritSec stateLock;
};
