#pragma once
// Pin enumerator with version checks; never returns a pin twice between Resets.
#include "pointerlist.h"

#include <dshow.h>

class CBaseFilter;

class CEnumPins : public IEnumPins {
public:
    CEnumPins(CBaseFilter* filter, const CEnumPins* source);
    virtual ~CEnumPins();

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumPins** out) override;

private:
    bool OutOfSync() const;

    int position = 0;
    int pinCount = 0;
    CBaseFilter* const filter;
    LONG version = 0;
    volatile LONG referenceCount = 1;
    CPointerList handedOut;
};
