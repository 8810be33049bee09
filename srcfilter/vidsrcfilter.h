#pragma once
// The virtual camera filter: a source filter with one stream, whose public faces also hand
// out the stream's IAMStreamConfig and IKsPropertySet.
#include "source.h"

class Cqvl_Stream;

class Cqvl_VidSrcFilter : public CSource {
public:
    static CUnknown* CreateInstance(IUnknown* outer, HRESULT* result);

    Cqvl_VidSrcFilter(IUnknown* outer, HRESULT* result);
    ~Cqvl_VidSrcFilter() override;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;

    Cqvl_Stream* Stream() const;
};
