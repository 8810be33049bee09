#pragma once
// Pin enumerator with version checks; never returns a pin twice between Resets.
#include "enumbase.h"
#include "pointerlist.h"

#include <dshow.h>

class CBaseFilter;

class CEnumPins : public CEnumBase<CEnumPins, IEnumPins, IID_IEnumPins> {
public:
    CEnumPins(CBaseFilter* filter, const CEnumPins* source);

    STDMETHODIMP Next(ULONG count, IPin** pins, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;

    LONG OwnerVersion() const;
    HRESULT Copy(IEnumPins** out);

private:
    int pinCount = 0;
    CBaseFilter* const filter;
    CPointerList handedOut;
};
