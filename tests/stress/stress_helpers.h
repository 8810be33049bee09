#pragma once
// What the stress tests share: a watchdog that turns a hang into a failure naming the stuck
// call, and the checks every delivered run of samples must pass.
#include "sample_recorder.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// A call that has not returned within this long is taken as hung.
inline constexpr DWORD hangLimitMs = 30000;

// Watches calls made on any number of threads, one slot per thread. A call still running
// after hangLimitMs fails the test with its name and ends the process: a hung call cannot be
// recovered from, and a failure that names it beats a time-out of the whole run.
class CWatchdog {
public:
    explicit CWatchdog(size_t slots);
    ~CWatchdog();
    CWatchdog(const CWatchdog&) = delete;
    CWatchdog& operator=(const CWatchdog&) = delete;

    template <class Call> auto Watch(size_t slot, const char* name, Call&& call) {
        Enter(slot, name);
        struct Leaving {
            CWatchdog& dog;
            size_t slot;
            ~Leaving() { dog.Leave(slot); }
        } leaving{*this, slot};
        return call();
    }
    // `name` must stay valid until Leave.
    void Enter(size_t slot, const char* name, DWORD limitMs = hangLimitMs);
    void Leave(size_t slot) { slots[slot].call = nullptr; }

private:
    struct Slot {
        std::atomic<const char*> call{nullptr};
        std::atomic<DWORD> since{0};
        std::atomic<DWORD> limit{hangLimitMs};
    };
    void Check();

    std::unique_ptr<Slot[]> slots;
    size_t count;
    HANDLE stop;
    std::thread checker;
};

// Sets the clock of the graph that holds `camera` (null: none).
HRESULT SetGraphClock(IBaseFilter* camera, IReferenceClock* clock);
// One of two platform system clocks that live as long as the process. Wine 8's system clock
// can hang in its last release (waiting for its advise thread), so the tests never let one
// go: graphs are given these instead of making their own, and lose them before release.
IReferenceClock* TestClock(int which = 0);

// Takes the clock away from the camera's graph when it goes out of scope, so that the graph's
// release is never a clock's last. Declare it after the graph.
class CDropClockAtEnd {
public:
    explicit CDropClockAtEnd(IBaseFilter* camera) : camera(camera) {}
    ~CDropClockAtEnd() { SetGraphClock(camera, nullptr); }
    CDropClockAtEnd(const CDropClockAtEnd&) = delete;
    CDropClockAtEnd& operator=(const CDropClockAtEnd&) = delete;

private:
    IBaseFilter* camera;
};

// The samples of one run: stamps n x frameTime from the first, whole frames, sync points.
void ExpectWholeRun(const std::vector<RecordedSample>& samples, REFERENCE_TIME frameTime,
                    LONG frameBytes);

// Digest of a frame whose every byte is `value`.
DWORD UniformDigest(BYTE value, size_t frameBytes);
