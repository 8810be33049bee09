#include "frame_tap.h"

namespace bench {

STDMETHODIMP FrameTap::QueryInterface(REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == IID_ISampleGrabberCB) {
        *out = static_cast<ISampleGrabberCB*>(this);
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP FrameTap::SampleCB(double, IMediaSample* sample) {
    const double now = arrivals != nullptr ? Now() : 0;
    thread.store(GetCurrentThreadId(), std::memory_order_relaxed);
    const long n = frames.load(std::memory_order_relaxed);
    BYTE* data = nullptr;
    if (n < capacity && SUCCEEDED(sample->GetPointer(&data)) &&
        sample->GetActualDataLength() >= 3) {
        // The producer's number, in the blue, green and red bytes of the first pixel.
        arrivals[n] = {static_cast<DWORD>(data[0] | data[1] << 8 | data[2] << 16), now};
    }
    frames.store(n + 1, std::memory_order_release);
    return S_OK;
}

long FrameTap::Recorded() const {
    const long n = frames.load();
    return n < capacity ? n : capacity;
}

bool FrameTap::WaitForFrames(long count, DWORD timeoutMs) const {
    const double end = Now() + timeoutMs / 1000.0;
    while (frames.load() < count) {
        if (Now() > end) {
            return false;
        }
        Sleep(10);
    }
    return true;
}

bool Started(const CameraRun& run, const FrameTap& tap, long frames) {
    if (SUCCEEDED(run.Result()) && tap.WaitForFrames(frames, 10000)) {
        return true;
    }
    std::fprintf(stderr, "stream_bench: the camera does not stream\n");
    return false;
}

} // namespace bench
