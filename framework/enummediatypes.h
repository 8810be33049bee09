#pragma once
// Media-type enumerator over a pin's proposals, with a version check.
#include "enumbase.h"

#include <dshow.h>

class CBasePin;

class CEnumMediaTypes : public CEnumBase<CEnumMediaTypes, IEnumMediaTypes, IID_IEnumMediaTypes> {
public:
    CEnumMediaTypes(CBasePin* pin, const CEnumMediaTypes* source);

    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;

    LONG OwnerVersion() const;
    HRESULT Copy(IEnumMediaTypes** out);

private:
    CBasePin* const pin;
};
