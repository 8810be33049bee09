#pragma once
// A thread-safe counter that tests can wait on, so that waits end as soon as the awaited
// event has happened instead of after a fixed sleep.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

class Tally {
public:
    // Counts one more and returns the new value.
    LONG Add() {
        std::lock_guard<std::mutex> guard(mutex);
        ++value;
        changed.notify_all();
        return value;
    }
    LONG Value() const {
        std::lock_guard<std::mutex> guard(mutex);
        return value;
    }
    // True once the value has reached `target` within `timeoutMs`.
    bool WaitFor(LONG target, DWORD timeoutMs) {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [&] { return value >= target; });
    }

private:
    mutable std::mutex mutex;
    std::condition_variable changed;
    LONG value = 0;
};
