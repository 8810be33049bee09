#pragma once
// Sample grabber callback that counts the frames a camera delivers, checks each sample's
// stamps against the frame counter the camera keeps, and can keep the latest picture.
#include "sync.h"

#include <dshow.h>
#include <qedit.h>

#include <vector>

// Receives each frame's bytes on the streaming thread.
class FrameSink {
public:
    virtual void OnFrame(const BYTE* data, long length) = 0;

protected:
    ~FrameSink() = default;
};

class FrameLog : public ISampleGrabberCB {
public:
    struct Report {
        unsigned long frames = 0;
        unsigned long badTimes = 0;      // start/stop not n and n+1 frame times
        unsigned long badMediaTimes = 0; // media times not n and n+1
        unsigned long notSyncPoints = 0;
        unsigned long badLengths = 0; // data length not one frame
        double firstArrival = 0;      // seconds since the log was made
        double lastArrival = 0;
        double FrameRate() const;
        unsigned long Faults() const;
    };

    // `sink`, if given, must outlive the graph's streaming.
    FrameLog(REFERENCE_TIME frameTime, long frameBytes, bool keepLatest, FrameSink* sink = nullptr);
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    // The log lives on its owner's stack and outlasts the graph: references are not counted.
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SampleCB(double sampleTime, IMediaSample* sample) override;
    STDMETHODIMP BufferCB(double, BYTE*, long) override { return S_OK; }

    // Waits until `count` frames have arrived; false when the time ran out first.
    bool WaitFor(unsigned long count, DWORD timeoutMs);
    // An auto-reset event signalled on every frame.
    HANDLE FrameEvent() const { return arrived.Handle(); }
    Report Read() const;
    // The latest frame's bytes, as delivered (bottom-up BGRX); empty if none was kept.
    std::vector<BYTE> Latest() const;

private:
    double Now() const;

    const REFERENCE_TIME frameTime;
    const long frameBytes;
    const bool keepLatest;
    FrameSink* const sink;
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    mutable CCritSec lock;
    CEventHandle arrived{FALSE};
    Report report;
    std::vector<BYTE> latest;
};
