#pragma once
// Critical section, its scope guard and an owned Win32 event.
#include "kernel_owners.h"

#include <windows.h>

class CCritSec {
public:
    CCritSec() { InitializeCriticalSection(&section); }
    ~CCritSec() { DeleteCriticalSection(&section); }
    CCritSec(const CCritSec&) = delete;
    CCritSec& operator=(const CCritSec&) = delete;

    void Enter() { EnterCriticalSection(&section); }
    void Leave() { LeaveCriticalSection(&section); }

private:
    CRITICAL_SECTION section;
};

class CScopedLock {
public:
    explicit CScopedLock(CCritSec* lock) : lock(lock) { lock->Enter(); }
    ~CScopedLock() { lock->Leave(); }
    CScopedLock(const CScopedLock&) = delete;
    CScopedLock& operator=(const CScopedLock&) = delete;

private:
    CCritSec* lock;
};

// An unnamed event, initially not signalled.
class CEventHandle {
public:
    explicit CEventHandle(BOOL manualReset)
        : handle(CreateEventA(nullptr, manualReset, FALSE, nullptr)) {}

    HANDLE Handle() const { return handle.Get(); }

private:
    CKernelHandle handle;
};

// An owned auto-reset waitable timer: signalled once when an interval armed by Start has
// passed. High resolution (about half a millisecond) where the platform offers it, otherwise
// the system timer's tick; Handle() is null if no timer could be made.
class CWaitableTimer {
public:
    CWaitableTimer() {
        // CREATE_WAITABLE_TIMER_HIGH_RESOLUTION; older systems refuse the flag.
        constexpr DWORD highResolution = 0x00000002;
        handle = CreateWaitableTimerExW(nullptr, nullptr, highResolution, TIMER_ALL_ACCESS);
        if (handle == nullptr) {
            handle = CreateWaitableTimerW(nullptr, FALSE, nullptr);
        }
    }
    ~CWaitableTimer() {
        if (handle != nullptr) {
            CloseHandle(handle);
        }
    }
    CWaitableTimer(const CWaitableTimer&) = delete;
    CWaitableTimer& operator=(const CWaitableTimer&) = delete;

    HANDLE Handle() const { return handle; }
    // Arms the timer for `interval` 100 ns units from now, replacing an earlier arming and
    // clearing a signal not yet consumed.
    bool Start(LONGLONG interval) {
        LARGE_INTEGER due;
        due.QuadPart = -(interval > 0 ? interval : 1); // negative: relative to now
        return handle != nullptr && SetWaitableTimer(handle, &due, 0, nullptr, nullptr, FALSE);
    }

private:
    HANDLE handle = nullptr;
};
