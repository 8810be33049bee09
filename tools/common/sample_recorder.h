#pragma once
// The sample grabber callback that the tools, the tests and the benchmark share. On the
// streaming thread it counts frames and checks each sample's stamps against the frame counter
// the camera keeps; as asked, it also keeps one record a sample (stamps, flags and a digest of
// the bytes), the latest picture, or hands each frame's bytes to a sink.
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

// Receives each frame's bytes on the streaming thread.
class FrameSink {
public:
    virtual void OnFrame(const BYTE* data, long length) = 0;

protected:
    ~FrameSink() = default;
};

// Lives on its owner's stack and outlasts the graph; its references are not counted.
class CSampleRecorder : public ISampleGrabberCB {
public:
    struct Options {
        REFERENCE_TIME frameTime = 0; // sample n is stamped n and n + 1 frame times
        long frameBytes = 0;          // the data length of every sample
        bool keepSamples = true;      // a RecordedSample (with its digest) a sample
        bool keepLatest = false;      // the latest frame's bytes
        FrameSink* sink = nullptr;    // must outlive the graph's streaming
    };
    struct Report {
        unsigned long frames = 0;
        unsigned long badTimes = 0;      // start/stop not n and n+1 frame times
        unsigned long badMediaTimes = 0; // media times not n and n+1
        unsigned long notSyncPoints = 0;
        unsigned long badLengths = 0; // data length not one frame
        double firstArrival = 0;      // seconds since the recorder was made
        double lastArrival = 0;
        double FrameRate() const;
        unsigned long Faults() const;
    };

    CSampleRecorder() : CSampleRecorder(Options{}) {}
    explicit CSampleRecorder(const Options& options);
    CSampleRecorder(const CSampleRecorder&) = delete;
    CSampleRecorder& operator=(const CSampleRecorder&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SampleCB(double time, IMediaSample* sample) override;
    STDMETHODIMP BufferCB(double, BYTE*, LONG) override { return E_NOTIMPL; }

    // All samples so far once at least `count` have arrived, or what there is after `timeout`.
    std::vector<RecordedSample> WaitFor(size_t count, std::chrono::milliseconds timeout);
    std::vector<RecordedSample> Samples();
    void Clear();

    // True once `count` frames have arrived, false when the time ran out first.
    bool WaitForFrames(unsigned long count, std::chrono::milliseconds timeout);
    Report Read();
    // The latest frame's bytes, as delivered (bottom-up BGRX); empty if none was kept.
    std::vector<BYTE> Latest();

private:
    double Now() const;

    const Options options;
    const std::chrono::steady_clock::time_point made = std::chrono::steady_clock::now();
    std::mutex lock;
    std::condition_variable arrived;
    std::vector<RecordedSample> samples;
    Report report;
    std::vector<BYTE> latest;
};
