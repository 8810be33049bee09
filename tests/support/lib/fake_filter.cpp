#include "fake_filter.h"

#include <cguid.h>

FakePin::FakePin(CBaseFilter* filter, CCritSec* lock, const WCHAR* name)
    : CBasePin(L"fake pin", filter, lock, nullptr, name, PINDIR_OUTPUT) {}

HRESULT FakePin::CheckMediaType(const COwnedMediaType* type) {
    for (const COwnedMediaType& proposal : proposals) {
        if (proposal == *type) {
            return S_OK;
        }
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT FakePin::GetMediaType(int position, COwnedMediaType* type) {
    ++requests;
    if (position < 0) {
        return E_INVALIDARG;
    }
    if (static_cast<size_t>(position) >= proposals.size()) {
        return VFW_S_NO_MORE_ITEMS;
    }
    return type->AssignFrom(&proposals[position]);
}

FakeFilter::FakeFilter() : CBaseFilter(L"fake filter", nullptr, &stateLock, GUID_NULL) {}

// The pins share the filter's count, so nothing can hold them past this point.
FakeFilter::~FakeFilter() = default;

FakePin* FakeFilter::CreatePin(const WCHAR* name) {
    owned.push_back(std::make_unique<FakePin>(this, &stateLock, name));
    return owned.back().get();
}

FakePin* FakeFilter::AddPin(const WCHAR* name) {
    FakePin* pin = CreatePin(name);
    pins.push_back(pin);
    return pin;
}

ULONG FakeFilter::References() {
    AddRef();
    return Release();
}

CBasePin* FakeFilter::GetPin(int n) {
    if (n < 0 || static_cast<size_t>(n) >= pins.size()) {
        return nullptr;
    }
    return pins[n];
}
