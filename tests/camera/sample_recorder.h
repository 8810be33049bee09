#pragma once
// Records what reaches the sample grabber's callback on the streaming thread: stamps, flags,
// and a digest of the bytes, so tests can wait for samples and compare them with known frames.
#include <dshow.h>
#include <qedit.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

struct RecordedSample {
    REFERENCE_TIME start = -1;
    REFERENCE_TIME stop = -1;
    LONGLONG mediaStart = -1;
    LONGLONG mediaStop = -1;
    bool syncPoint = false;
    bool discontinuity = false;
    LONG size = 0;
    DWORD digest = 0;
    DWORD arrivedMs = 0; // GetTickCount at arrival
};

// FNV-1a over a frame's bytes.
DWORD Digest(const BYTE* bytes, size_t count);

// Lives on the test's stack and outlasts the graph; its references are not counted.
class CSampleRecorder : public ISampleGrabberCB {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SampleCB(double time, IMediaSample* sample) override;
    STDMETHODIMP BufferCB(double, BYTE*, LONG) override { return E_NOTIMPL; }

    // All samples so far once at least `count` have arrived, or what there is after `timeout`.
    std::vector<RecordedSample> WaitFor(size_t count, std::chrono::milliseconds timeout);
    std::vector<RecordedSample> Samples();
    void Clear();

private:
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<RecordedSample> samples;
};
