#pragma once
// A media-type enumerator over a fixed list, for input-pin doubles.
#include "mediatype.h"

#include <vector>

class CFakeTypeEnum : public IEnumMediaTypes {
public:
    explicit CFakeTypeEnum(const std::vector<COwnedMediaType>& types, ULONG position = 0);
    virtual ~CFakeTypeEnum() = default;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumMediaTypes** clone) override;

private:
    std::vector<COwnedMediaType> types;
    ULONG position;
    volatile LONG references = 1;
};
