#pragma once
// The benchmark's grabber callback: it counts frames and notes the streaming thread, and, when
// given room, the frame number a producer wrote into each sample's first pixel with the time
// the sample arrived. It makes no system call of its own, so that it adds nothing to what is
// counted on the streaming thread.
#include "bench_support.h"

#include <dshow.h>
#include <qedit.h>

#include <atomic>

namespace bench {

struct Arrival {
    DWORD frame;
    double seconds; // performance counter
};

class FrameTap : public ISampleGrabberCB {
public:
    FrameTap() = default;
    // Records up to `capacity` arrivals into `arrivals`, which must outlive the streaming.
    FrameTap(Arrival* arrivals, long capacity) : arrivals(arrivals), capacity(capacity) {}
    FrameTap(const FrameTap&) = delete;
    FrameTap& operator=(const FrameTap&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP SampleCB(double time, IMediaSample* sample) override;
    STDMETHODIMP BufferCB(double, BYTE*, LONG) override { return E_NOTIMPL; }

    long Frames() const { return frames.load(); }
    DWORD StreamingThread() const { return thread.load(); }
    long Recorded() const;
    // True once `count` frames have arrived; false after `timeoutMs`.
    bool WaitForFrames(long count, DWORD timeoutMs) const;

private:
    Arrival* const arrivals = nullptr;
    const long capacity = 0;
    std::atomic<long> frames{0};
    std::atomic<DWORD> thread{0};
};

// True once the run has started and `frames` have arrived; says so when not.
bool Started(const CameraRun& run, const FrameTap& tap, long frames);

} // namespace bench
