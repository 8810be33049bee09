#include "stress_helpers.h"

#include <gtest/gtest.h>

#include <cstdio>

CWatchdog::CWatchdog(size_t slots)
    : slots(new Slot[slots]), count(slots), stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      checker(&CWatchdog::Check, this) {}

CWatchdog::~CWatchdog() {
    SetEvent(stop);
    checker.join();
    CloseHandle(stop);
}

void CWatchdog::Check() {
    while (WaitForSingleObject(stop, 200) == WAIT_TIMEOUT) {
        for (size_t i = 0; i < count; ++i) {
            const DWORD since = slots[i].since;
            const char* call = slots[i].call;
            if (call != nullptr && GetTickCount() - since > hangLimitMs) {
                ADD_FAILURE() << "hung on thread " << i << ": " << call;
                std::fprintf(stderr, "\nHUNG for over %lu ms on thread %zu: %s\n",
                             static_cast<unsigned long>(hangLimitMs), i, call);
                std::fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        }
    }
}

namespace {
template <class Apply> HRESULT WithGraphOf(IBaseFilter* camera, Apply apply) {
    FILTER_INFO info = {};
    HRESULT hr = camera->QueryFilterInfo(&info);
    if (FAILED(hr) || info.pGraph == nullptr) {
        return FAILED(hr) ? hr : E_UNEXPECTED;
    }
    hr = apply(info.pGraph);
    info.pGraph->Release();
    return hr;
}
} // namespace

HRESULT SetGraphClock(IBaseFilter* camera, IReferenceClock* clock) {
    return WithGraphOf(camera, [clock](IFilterGraph* graph) {
        IMediaFilter* timing = nullptr;
        HRESULT hr = graph->QueryInterface(IID_PPV_ARGS(&timing));
        if (SUCCEEDED(hr)) {
            hr = timing->SetSyncSource(clock);
            timing->Release();
        }
        return hr;
    });
}

HRESULT UseDefaultClock(IBaseFilter* camera) {
    return WithGraphOf(camera, [](IFilterGraph* graph) { return graph->SetDefaultSyncSource(); });
}

void ExpectWholeRun(const std::vector<RecordedSample>& samples, REFERENCE_TIME frameTime,
                    LONG frameBytes) {
    for (size_t i = 0; i < samples.size(); ++i) {
        const auto n = static_cast<LONGLONG>(i);
        const RecordedSample& s = samples[i];
        ASSERT_TRUE(s.start == n * frameTime && s.stop == (n + 1) * frameTime &&
                    s.mediaStart == n && s.mediaStop == n + 1 && s.syncPoint &&
                    s.size == frameBytes)
            << "sample " << i << ": " << s.start << ".." << s.stop << " media " << s.mediaStart
            << ".." << s.mediaStop << " size " << s.size;
    }
}

DWORD UniformDigest(BYTE value, size_t frameBytes) {
    const std::vector<BYTE> frame(frameBytes, value);
    return Digest(frame.data(), frame.size());
}
