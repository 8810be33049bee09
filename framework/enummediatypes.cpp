#include "enummediatypes.h"

#include "basepin.h"
#include "mediatype.h"
#include "unknown.h"

#include <objbase.h>

#include <cstring>
#include <new>

CEnumMediaTypes::CEnumMediaTypes(CBasePin* pin, const CEnumMediaTypes* source)
    : CEnumBase(static_cast<IPin*>(pin)), pin(pin) {
    ContinueFrom(source);
}

LONG CEnumMediaTypes::OwnerVersion() const {
    return pin->GetMediaTypeVersion();
}

STDMETHODIMP CEnumMediaTypes::Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) {
    if (types == nullptr) {
        return E_POINTER;
    }
    if (OutOfSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    if (fetched != nullptr) {
        *fetched = 0;
    } else if (count > 1) {
        return E_INVALIDARG;
    }
    ULONG gathered = 0;
    while (count != 0) {
        COwnedMediaType proposal;
        const HRESULT hr = pin->GetMediaType(position++, &proposal);
        if (hr != S_OK) {
            break;
        }
        auto* record = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
        types[gathered] = record;
        if (record == nullptr) {
            break;
        }
        // The handed-out record takes over the format block and the reference.
        std::memcpy(record, static_cast<AM_MEDIA_TYPE*>(&proposal), sizeof(AM_MEDIA_TYPE));
        proposal.pbFormat = nullptr;
        proposal.cbFormat = 0;
        proposal.pUnk = nullptr;
        ++gathered;
        --count;
    }
    if (fetched != nullptr) {
        *fetched = gathered;
    }
    return count == 0 ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Skip(ULONG count) {
    if (count == 0) {
        return S_OK;
    }
    if (OutOfSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    position = static_cast<int>(static_cast<ULONG>(position) + count);
    COwnedMediaType probe;
    return pin->GetMediaType(position - 1, &probe) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumMediaTypes::Reset() {
    Restart();
    return S_OK;
}

HRESULT CEnumMediaTypes::Copy(IEnumMediaTypes** out) {
    CEnumMediaTypes* clone = new (std::nothrow) CEnumMediaTypes(pin, this);
    if (clone == nullptr) {
        return E_OUTOFMEMORY;
    }
    *out = clone;
    return S_OK;
}
