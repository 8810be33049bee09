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
