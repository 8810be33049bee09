#include "frame_log.h"

#include <cstring>

double FrameLog::Report::FrameRate() const {
    const double span = lastArrival - firstArrival;
    return frames > 1 && span > 0 ? (frames - 1) / span : 0.0;
}

unsigned long FrameLog::Report::Faults() const {
    return badTimes + badMediaTimes + notSyncPoints + badLengths;
}

FrameLog::FrameLog(REFERENCE_TIME frameTime, long frameBytes, bool keepLatest, FrameSink* sink)
    : frameTime(frameTime), frameBytes(frameBytes), keepLatest(keepLatest), sink(sink) {
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (keepLatest) {
        latest.reserve(static_cast<size_t>(frameBytes));
    }
}

STDMETHODIMP FrameLog::QueryInterface(REFIID riid, void** out) {
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

double FrameLog::Now() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

STDMETHODIMP FrameLog::SampleCB(double, IMediaSample* sample) {
    const double arrival = Now();
    REFERENCE_TIME startTime = -1, stopTime = -1;
    LONGLONG mediaStart = -1, mediaStop = -1;
    const HRESULT timed = sample->GetTime(&startTime, &stopTime);
    const HRESULT mediaTimed = sample->GetMediaTime(&mediaStart, &mediaStop);
    const bool sync = sample->IsSyncPoint() == S_OK;
    const long length = sample->GetActualDataLength();
    BYTE* data = nullptr;
    const bool hasData = SUCCEEDED(sample->GetPointer(&data)) && data != nullptr && length > 0;
    {
        CScopedLock guard(&lock);
        const LONGLONG n = report.frames;
        if (FAILED(timed) || startTime != n * frameTime || stopTime != (n + 1) * frameTime) {
            ++report.badTimes;
        }
        if (FAILED(mediaTimed) || mediaStart != n || mediaStop != n + 1) {
            ++report.badMediaTimes;
        }
        report.notSyncPoints += sync ? 0 : 1;
        report.badLengths += length == frameBytes ? 0 : 1;
        if (report.frames == 0) {
            report.firstArrival = arrival;
        }
        report.lastArrival = arrival;
        ++report.frames;
        if (keepLatest && hasData) {
            latest.assign(data, data + length);
        }
    }
    // Only the streaming thread calls here, so the sink needs no lock of ours.
    if (sink != nullptr && hasData) {
        sink->OnFrame(data, length);
    }
    SetEvent(arrived.Handle());
    return S_OK;
}

bool FrameLog::WaitFor(unsigned long count, DWORD timeoutMs) {
    const double deadline = Now() + timeoutMs / 1000.0;
    for (;;) {
        if (Read().frames >= count) {
            return true;
        }
        const double left = deadline - Now();
        if (left <= 0) {
            return false;
        }
        WaitForSingleObject(arrived.Handle(), static_cast<DWORD>(left * 1000.0) + 1);
    }
}

FrameLog::Report FrameLog::Read() const {
    CScopedLock guard(&lock);
    return report;
}

std::vector<BYTE> FrameLog::Latest() const {
    CScopedLock guard(&lock);
    return latest;
}
