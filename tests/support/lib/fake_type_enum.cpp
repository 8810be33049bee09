#include "fake_type_enum.h"

#include <new>

CFakeTypeEnum::CFakeTypeEnum(const std::vector<COwnedMediaType>& types, ULONG position)
    : types(types), position(position) {}

STDMETHODIMP CFakeTypeEnum::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IEnumMediaTypes)) {
        *out = static_cast<IEnumMediaTypes*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CFakeTypeEnum::AddRef() {
    return InterlockedIncrement(&references);
}

STDMETHODIMP_(ULONG) CFakeTypeEnum::Release() {
    const LONG left = InterlockedDecrement(&references);
    if (left == 0) {
        delete this;
    }
    return left;
}

STDMETHODIMP CFakeTypeEnum::Next(ULONG count, AM_MEDIA_TYPE** out, ULONG* fetched) {
    ULONG given = 0;
    while (given < count && position < types.size()) {
        out[given] = DuplicateMediaType(&types[position]);
        if (out[given] == nullptr) {
            break;
        }
        ++given;
        ++position;
    }
    if (fetched != nullptr) {
        *fetched = given;
    }
    return given == count ? S_OK : S_FALSE;
}

STDMETHODIMP CFakeTypeEnum::Skip(ULONG count) {
    position += count;
    return position <= types.size() ? S_OK : S_FALSE;
}

STDMETHODIMP CFakeTypeEnum::Reset() {
    position = 0;
    return S_OK;
}

STDMETHODIMP CFakeTypeEnum::Clone(IEnumMediaTypes** clone) {
    if (clone == nullptr) {
        return E_POINTER;
    }
    *clone = new (std::nothrow) CFakeTypeEnum(types, position);
    return *clone == nullptr ? E_OUTOFMEMORY : S_OK;
}
