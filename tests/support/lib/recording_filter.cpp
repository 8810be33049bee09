#include "recording_filter.h"

#include <cguid.h>

RecordingPin::RecordingPin(CBaseFilter* filter, CCritSec* lock, const char* label, PinCallLog* log)
    : CBasePin(L"recording pin", filter, lock, nullptr, L"recording pin", PINDIR_OUTPUT),
      label(label), log(log) {}

// The stand-in peer is the pin itself and holds no reference.
RecordingPin::~RecordingPin() {
    connected.Detach();
}

HRESULT RecordingPin::Active() {
    Record("Active");
    return activeResult;
}

HRESULT RecordingPin::Inactive() {
    Record("Inactive");
    return inactiveResult;
}

HRESULT RecordingPin::Run(REFERENCE_TIME tStart) {
    Record("Run");
    lastRunStart = tStart;
    return runResult;
}

HRESULT RecordingPin::CheckMediaType(const COwnedMediaType* type) {
    for (const COwnedMediaType& proposal : proposals) {
        if (proposal == *type) {
            return S_OK;
        }
    }
    return VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT RecordingPin::GetMediaType(int position, COwnedMediaType* type) {
    if (position < 0) {
        return E_INVALIDARG;
    }
    if (static_cast<size_t>(position) >= proposals.size()) {
        return VFW_S_NO_MORE_ITEMS;
    }
    return type->AssignFrom(&proposals[position]);
}

RecordingFilter::RecordingFilter()
    : CBaseFilter(L"recording filter", nullptr, &stateLock, GUID_NULL) {}

// The pins share the filter's count, so nothing can hold them past this point.
RecordingFilter::~RecordingFilter() = default;

RecordingPin* RecordingFilter::AddPin(const char* label) {
    pins.push_back(std::make_unique<RecordingPin>(this, &stateLock, label, &calls));
    return pins.back().get();
}

STDMETHODIMP RecordingFilter::Pause() {
    ++pauseCalls;
    return CBaseFilter::Pause();
}

CBasePin* RecordingFilter::GetPin(int n) {
    if (n < 0 || static_cast<size_t>(n) >= pins.size()) {
        return nullptr;
    }
    return pins[n].get();
}
