#include "sample_recorder.h"

DWORD Digest(const BYTE* bytes, size_t count) {
    DWORD hash = 2166136261u;
    for (size_t i = 0; i < count; ++i) {
        hash = (hash ^ bytes[i]) * 16777619u;
    }
    return hash;
}

double CSampleRecorder::Report::FrameRate() const {
    const double span = lastArrival - firstArrival;
    return frames > 1 && span > 0 ? (frames - 1) / span : 0.0;
}

unsigned long CSampleRecorder::Report::Faults() const {
    return badTimes + badMediaTimes + notSyncPoints + badLengths;
}

CSampleRecorder::CSampleRecorder(const Options& options) : options(options) {
    if (options.keepLatest) {
        latest.reserve(static_cast<size_t>(options.frameBytes));
    }
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

double CSampleRecorder::Now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - made).count();
}

STDMETHODIMP CSampleRecorder::SampleCB(double, IMediaSample* sample) {
    const double arrival = Now();
    RecordedSample record;
    sample->GetTime(&record.start, &record.stop);
    sample->GetMediaTime(&record.mediaStart, &record.mediaStop);
    record.syncPoint = sample->IsSyncPoint() == S_OK;
    record.discontinuity = sample->IsDiscontinuity() == S_OK;
    record.size = sample->GetSize();
    const long length = sample->GetActualDataLength();
    BYTE* bytes = nullptr;
    const bool hasData = SUCCEEDED(sample->GetPointer(&bytes)) && bytes != nullptr;
    if (options.keepSamples && hasData && record.size > 0) {
        record.digest = Digest(bytes, static_cast<size_t>(record.size));
    }
    record.arrivedMs = GetTickCount();
    {
        std::lock_guard<std::mutex> guard(lock);
        const LONGLONG n = report.frames;
        const REFERENCE_TIME frameTime = options.frameTime;
        if (record.start != n * frameTime || record.stop != (n + 1) * frameTime) {
            ++report.badTimes;
        }
        if (record.mediaStart != n || record.mediaStop != n + 1) {
            ++report.badMediaTimes;
        }
        report.notSyncPoints += record.syncPoint ? 0 : 1;
        report.badLengths += length == options.frameBytes ? 0 : 1;
        if (report.frames == 0) {
            report.firstArrival = arrival;
        }
        report.lastArrival = arrival;
        ++report.frames;
        if (options.keepSamples) {
            samples.push_back(record);
        }
        if (options.keepLatest && hasData && length > 0) {
            latest.assign(bytes, bytes + length);
        }
    }
    arrived.notify_all();
    // Only the streaming thread calls here, so the sink needs no lock of ours.
    if (options.sink != nullptr && hasData && length > 0) {
        options.sink->OnFrame(bytes, length);
    }
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

bool CSampleRecorder::WaitForFrames(unsigned long count, std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> guard(lock);
    return arrived.wait_for(guard, timeout, [&] { return report.frames >= count; });
}

CSampleRecorder::Report CSampleRecorder::Read() {
    std::lock_guard<std::mutex> guard(lock);
    return report;
}

std::vector<BYTE> CSampleRecorder::Latest() {
    std::lock_guard<std::mutex> guard(lock);
    return latest;
}
