#include "enumpins.h"

#include "basefilter.h"
#include "basepin.h"
#include "unknown.h"

#include <new>

CEnumPins::CEnumPins(CBaseFilter* filter, const CEnumPins* source)
    : CEnumBase(static_cast<IBaseFilter*>(filter)), filter(filter) {
    ContinueFrom(source);
    if (source != nullptr) {
        pinCount = source->pinCount;
        handedOut.AppendAll(source->handedOut);
    } else {
        pinCount = filter->GetPinCount();
    }
}

LONG CEnumPins::OwnerVersion() const {
    return filter->GetPinVersion();
}

STDMETHODIMP CEnumPins::Next(ULONG count, IPin** pins, ULONG* fetched) {
    if (pins == nullptr) {
        return E_POINTER;
    }
    if (fetched != nullptr) {
        *fetched = 0;
    } else if (count > 1) {
        return E_INVALIDARG;
    }
    if (OutOfSync()) {
        // The pin set changed: start over, but keep passing over pins already returned.
        Restart();
        pinCount = filter->GetPinCount();
    }
    const LONG remaining = pinCount - position;
    LONG n = remaining < static_cast<LONG>(count) ? remaining : static_cast<LONG>(count);
    if (n == 0) {
        return S_FALSE;
    }
    ULONG gathered = 0;
    while (n != 0 && position != pinCount) {
        CBasePin* pin = filter->GetPin(position++);
        if (pin == nullptr) {
            // The caller sees a failure and nothing fetched, so it owes no references.
            for (ULONG i = 0; i < gathered; ++i) {
                pins[i]->Release();
                pins[i] = nullptr;
            }
            return VFW_E_ENUM_OUT_OF_SYNC;
        }
        if (handedOut.FindNode(pin) != nullptr) {
            continue;
        }
        IPin* face = static_cast<IPin*>(pin);
        pins[gathered++] = face;
        face->AddRef();
        handedOut.Append(pin);
        --n;
    }
    if (fetched != nullptr) {
        *fetched = gathered;
    }
    return gathered == count ? S_OK : S_FALSE;
}

STDMETHODIMP CEnumPins::Skip(ULONG count) {
    if (OutOfSync()) {
        return VFW_E_ENUM_OUT_OF_SYNC;
    }
    if (count > static_cast<ULONG>(pinCount - position)) {
        return S_FALSE;
    }
    position += static_cast<int>(count);
    return S_OK;
}

STDMETHODIMP CEnumPins::Reset() {
    Restart();
    pinCount = filter->GetPinCount();
    handedOut.Clear();
    return S_OK;
}

HRESULT CEnumPins::Copy(IEnumPins** out) {
    CEnumPins* clone = new (std::nothrow) CEnumPins(filter, this);
    if (clone == nullptr) {
        return E_OUTOFMEMORY;
    }
    // A clone that lost part of the handed-out list could return a pin twice.
    if (clone->handedOut.Count() != handedOut.Count()) {
        clone->Release();
        return E_OUTOFMEMORY;
    }
    *out = clone;
    return S_OK;
}
