#include "sample_recorder.h"

DWORD Digest(const BYTE* bytes, size_t count) {
    DWORD hash = 2166136261u;
    for (size_t i = 0; i < count; ++i) {
        hash = (hash ^ bytes[i]) * 16777619u;
    }
    return hash;
}

STDMETHODIMP CSampleRecorder::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_ISampleGrabberCB)) {
        *out = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP CSampleRecorder::SampleCB(double, IMediaSample* sample) {
    RecordedSample record;
    sample->GetTime(&record.start, &record.stop);
    sample->GetMediaTime(&record.mediaStart, &record.mediaStop);
    record.syncPoint = sample->IsSyncPoint() == S_OK;
    record.discontinuity = sample->IsDiscontinuity() == S_OK;
    record.size = sample->GetSize();
    BYTE* bytes = nullptr;
    if (SUCCEEDED(sample->GetPointer(&bytes)) && bytes != nullptr && record.size > 0) {
        record.digest = Digest(bytes, static_cast<size_t>(record.size));
    }
    record.arrivedMs = GetTickCount();
    std::lock_guard<std::mutex> guard(lock);
    samples.push_back(record);
    arrived.notify_all();
    return S_OK;
}

std::vector<RecordedSample> CSampleRecorder::WaitFor(size_t count,
                                                     std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> guard(lock);
    arrived.wait_for(guard, timeout, [&] { return samples.size() >= count; });
    return samples;
}

std::vector<RecordedSample> CSampleRecorder::Samples() {
    std::lock_guard<std::mutex> guard(lock);
    return samples;
}

void CSampleRecorder::Clear() {
    std::lock_guard<std::mutex> guard(lock);
    samples.clear();
}
