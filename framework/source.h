#pragma once
// A source filter: owns its stream pins and the state lock they share.
#include "basefilter.h"

class CSourceStream;

class CSource : public CBaseFilter {
public:
    CSource(const WCHAR* objectName, IUnknown* outer, REFCLSID clsid);
    ~CSource() override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;
    STDMETHODIMP FindPin(LPCWSTR Id, IPin** ppPin) override;

    HRESULT AddPin(CSourceStream* stream);
    HRESULT RemovePin(CSourceStream* stream);
    int FindPinNumber(IPin* pin);
    CCritSec* pStateLock() { return &stateLock; }

protected:
    int pinCount = 0;
    CSourceStream** streams = nullptr;
    CCritSec stateLock;
};
