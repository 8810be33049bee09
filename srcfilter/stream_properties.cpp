// The pin category property: the stream reports itself as a capture pin.
#include "stream.h"

#include <ks.h>
#include <ksmedia.h>
#include <ksproxy.h>

STDMETHODIMP Cqvl_Stream::Set(REFGUID, DWORD, void*, DWORD, void*, DWORD) {
    return E_NOTIMPL;
}

STDMETHODIMP Cqvl_Stream::Get(REFGUID set, DWORD id, void*, DWORD, void* data, DWORD dataSize,
                              DWORD* returned) {
    if (!IsEqualGUID(set, AMPROPSETID_Pin)) {
        return E_PROP_SET_UNSUPPORTED;
    }
    if (id != AMPROPERTY_PIN_CATEGORY) {
        return E_PROP_ID_UNSUPPORTED;
    }
    if (data == nullptr && returned == nullptr) {
        return E_POINTER;
    }
    if (returned != nullptr) {
        *returned = sizeof(GUID);
    }
    if (data == nullptr) {
        return S_OK;
    }
    if (dataSize < sizeof(GUID)) {
        return E_UNEXPECTED;
    }
    *static_cast<GUID*>(data) = PIN_CATEGORY_CAPTURE;
    return S_OK;
}

STDMETHODIMP Cqvl_Stream::QuerySupported(REFGUID set, DWORD id, DWORD* support) {
    if (!IsEqualGUID(set, AMPROPSETID_Pin)) {
        return E_PROP_SET_UNSUPPORTED;
    }
    if (id != AMPROPERTY_PIN_CATEGORY) {
        return E_PROP_ID_UNSUPPORTED;
    }
    if (support != nullptr) {
        *support = KSPROPERTY_SUPPORT_GET;
    }
    return S_OK;
}
