#include "mediatype.h"

#include <objbase.h>

#include <cstring>

namespace {
bool SameFormatBlock(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
    if (a.cbFormat != b.cbFormat) {
        return false;
    }
    if (a.cbFormat == 0) {
        return true;
    }
    // A host's record that gives a length without a block matches nothing, rather than crash.
    return a.pbFormat != nullptr && b.pbFormat != nullptr &&
           std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0;
}
} // namespace

COwnedMediaType::COwnedMediaType(const COwnedMediaType& other) : AM_MEDIA_TYPE() {
    // A failed copy leaves a record with no format block, which is still safe to destroy.
    DeepCopyMediaType(this, &other);
}

COwnedMediaType::~COwnedMediaType() {
    ClearMediaType(*this);
}

COwnedMediaType& COwnedMediaType::operator=(const AM_MEDIA_TYPE& source) {
    AssignFrom(&source);
    return *this;
}

COwnedMediaType& COwnedMediaType::operator=(const COwnedMediaType& source) {
    AssignFrom(&source);
    return *this;
}

void COwnedMediaType::InitDefaults() {
    std::memset(static_cast<AM_MEDIA_TYPE*>(this), 0, sizeof(AM_MEDIA_TYPE));
    lSampleSize = 1;
    bFixedSizeSamples = TRUE;
}

HRESULT COwnedMediaType::AssignFrom(const AM_MEDIA_TYPE* source) {
    if (source == this) {
        return S_OK;
    }
    ClearMediaType(*this);
    return FAILED(DeepCopyMediaType(this, source)) ? E_OUTOFMEMORY : S_OK;
}

bool COwnedMediaType::operator==(const COwnedMediaType& other) const {
    return IsEqualGUID(majortype, other.majortype) && IsEqualGUID(subtype, other.subtype) &&
           IsEqualGUID(formattype, other.formattype) && SameFormatBlock(*this, other);
}

void COwnedMediaType::SetFixedSampleSize(ULONG size) {
    if (size == 0) {
        SetVariableSampleSize();
        return;
    }
    bFixedSizeSamples = TRUE;
    lSampleSize = size;
}

BYTE* COwnedMediaType::ReserveFormat(ULONG length) {
    if (length == cbFormat) {
        return pbFormat;
    }
    if (length == 0) {
        // A record with no format length owns no block, so even a zero-byte one would leak.
        CoTaskMemFree(pbFormat);
        cbFormat = 0;
        pbFormat = nullptr;
        return nullptr;
    }
    BYTE* block = static_cast<BYTE*>(CoTaskMemAlloc(length));
    if (block == nullptr) {
        // A shorter request can still be served by the block already held.
        return length <= cbFormat ? pbFormat : nullptr;
    }
    if (cbFormat != 0) {
        CoTaskMemFree(pbFormat);
    }
    cbFormat = length;
    pbFormat = block;
    return block;
}

BOOL COwnedMediaType::IsIncomplete() const {
    return IsEqualGUID(majortype, GUID_NULL) || IsEqualGUID(formattype, GUID_NULL);
}

BOOL COwnedMediaType::MatchesTemplate(const COwnedMediaType* partial) const {
    if (!IsEqualGUID(partial->majortype, GUID_NULL) &&
        !IsEqualGUID(partial->majortype, majortype)) {
        return FALSE;
    }
    if (!IsEqualGUID(partial->subtype, GUID_NULL) && !IsEqualGUID(partial->subtype, subtype)) {
        return FALSE;
    }
    if (!IsEqualGUID(partial->formattype, GUID_NULL) &&
        (!IsEqualGUID(partial->formattype, formattype) || !SameFormatBlock(*this, *partial))) {
        return FALSE;
    }
    return TRUE;
}

HRESULT DeepCopyMediaType(AM_MEDIA_TYPE* target, const AM_MEDIA_TYPE* source) {
    *target = *source;
    HRESULT hr = S_OK;
    if (source->cbFormat != 0) {
        target->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(source->cbFormat));
        if (target->pbFormat == nullptr) {
            target->cbFormat = 0;
            hr = E_OUTOFMEMORY;
        } else {
            std::memcpy(target->pbFormat, source->pbFormat, source->cbFormat);
        }
    }
    // The target holds its own reference even when the format block is missing, so the
    // ClearMediaType that eventually follows always releases a reference it owns.
    if (target->pUnk != nullptr) {
        target->pUnk->AddRef();
    }
    return hr;
}

void ClearMediaType(AM_MEDIA_TYPE& type) {
    if (type.cbFormat != 0) {
        CoTaskMemFree(type.pbFormat);
        type.cbFormat = 0;
        type.pbFormat = nullptr;
    }
    if (type.pUnk != nullptr) {
        type.pUnk->Release();
        type.pUnk = nullptr;
    }
}

AM_MEDIA_TYPE* DuplicateMediaType(const AM_MEDIA_TYPE* source) {
    auto* copy = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    if (copy == nullptr) {
        return nullptr;
    }
    if (FAILED(DeepCopyMediaType(copy, source))) {
        // Gives back the reference the partial copy took.
        DestroyMediaType(copy);
        return nullptr;
    }
    return copy;
}

void DestroyMediaType(AM_MEDIA_TYPE* type) {
    if (type == nullptr) {
        return;
    }
    ClearMediaType(*type);
    CoTaskMemFree(type);
}
