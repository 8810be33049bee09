#include "stress_helpers.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>

CWatchdog::CWatchdog(size_t slots)
    : slots(new Slot[slots]), count(slots), stop(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
      checker(&CWatchdog::Check, this) {}

CWatchdog::~CWatchdog() {
    SetEvent(stop);
    checker.join();
    CloseHandle(stop);
}

void CWatchdog::Enter(size_t slot, const char* name, DWORD limitMs) {
    slots[slot].since = GetTickCount();
    slots[slot].limit = limitMs;
    slots[slot].call = name;
}

void CWatchdog::Check() {
    while (WaitForSingleObject(stop, 200) == WAIT_TIMEOUT) {
        for (size_t i = 0; i < count; ++i) {
            const DWORD since = slots[i].since;
            const char* call = slots[i].call;
            const DWORD limit = slots[i].limit;
            if (call != nullptr && GetTickCount() - since > limit) {
                ADD_FAILURE() << "hung on thread " << i << ": " << call;
                std::fprintf(stderr, "\nHUNG for over %lu ms on thread %zu: %s\n",
                             static_cast<unsigned long>(limit), i, call);
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

IReferenceClock* TestClock(int which) {
    static IReferenceClock* clocks[2] = {};
    static std::once_flag made[2];
    std::call_once(made[which], [which] {
        CoCreateInstance(CLSID_SystemClock, nullptr, CLSCTX_INPROC_SERVER,
                         IID_PPV_ARGS(&clocks[which]));
    });
    return clocks[which];
}

namespace {
// A whole test, set-up and tear-down included, may take this long: destructors and waits
// outside any watched call cannot hang the run unnamed either.
constexpr DWORD testLimitMs = 180000;

class CTestWatchdog : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo& info) override {
        name = std::string("test ") + info.test_suite_name() + "." + info.name();
        watchdog.Enter(0, name.c_str(), testLimitMs);
    }
    void OnTestEnd(const ::testing::TestInfo&) override { watchdog.Leave(0); }

    std::string name;
    CWatchdog watchdog{1};
};

[[maybe_unused]] const bool testWatchdogInstalled =
    (::testing::UnitTest::GetInstance()->listeners().Append(new CTestWatchdog), true);
} // namespace

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
