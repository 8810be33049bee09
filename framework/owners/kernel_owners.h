#pragma once
// Owners of the kernel resources this code base holds: a handle, a mapped view of a whole
// region and a mutex held by this thread. Header-only, so that the DLL, the tools and the
// tests share them without linking the framework.
#include <windows.h>

// Owns one kernel handle (null: none) and closes it.
class CKernelHandle {
public:
    explicit CKernelHandle(HANDLE handle = nullptr) : handle(handle) {}
    ~CKernelHandle() { Reset(); }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;

    HANDLE Get() const { return handle; }
    // Closes the handle held, if any, and takes `other` instead.
    void Reset(HANDLE other = nullptr) {
        if (handle != nullptr) {
            CloseHandle(handle);
        }
        handle = other;
    }

private:
    HANDLE handle;
};

// Owns one writable view of a whole file-mapping region and unmaps it.
class CMappedView {
public:
    CMappedView() = default;
    explicit CMappedView(HANDLE mapping) { Map(mapping); }
    ~CMappedView() { Reset(); }
    CMappedView(const CMappedView&) = delete;
    CMappedView& operator=(const CMappedView&) = delete;

    // Maps all of `mapping`; false (and nothing mapped) when that fails.
    bool Map(HANDLE mapping) {
        Reset();
        address = static_cast<BYTE*>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
        return address != nullptr;
    }
    void Reset() {
        if (address != nullptr) {
            UnmapViewOfFile(address);
            address = nullptr;
        }
    }
    BYTE* Get() const { return address; }
    // Bytes the view really spans: its creator's size rounded up to whole pages; 0 unmapped.
    SIZE_T Span() const {
        MEMORY_BASIC_INFORMATION info = {};
        if (address == nullptr || VirtualQuery(address, &info, sizeof(info)) == 0) {
            return 0;
        }
        return info.RegionSize;
    }

private:
    BYTE* address = nullptr;
};

// Ownership of a mutex by the calling thread, given back by Release or by the destructor.
// Mutex ownership belongs to a thread: acquire and release on the same one.
class CMutexHold {
public:
    CMutexHold() = default;
    CMutexHold(HANDLE mutex, DWORD timeoutMs) { Acquire(mutex, timeoutMs); }
    ~CMutexHold() { Release(); }
    CMutexHold(const CMutexHold&) = delete;
    CMutexHold& operator=(const CMutexHold&) = delete;

    // Waits up to `timeoutMs` for `mutex` unless it is already held here. An abandoned mutex
    // (its owner ended while holding it) is granted all the same. False on a time-out or a
    // failed wait (a null handle fails at once).
    bool Acquire(HANDLE mutex, DWORD timeoutMs) {
        bool interrupted = false;
        return Acquire(mutex, timeoutMs, nullptr, 0, &interrupted);
    }
    // As Acquire, but a wait that one of `interrupts` (up to three events) ends first sets
    // `*interrupted` and leaves the mutex alone. A mutex free at once is taken all the same.
    bool Acquire(HANDLE mutex, DWORD timeoutMs, const HANDLE* interrupts, DWORD count,
                 bool* interrupted) {
        *interrupted = false;
        if (held != nullptr) {
            return true;
        }
        if (mutex == nullptr || count > 3) {
            return false;
        }
        // A free mutex, or a wait that nothing can interrupt, takes one plain call.
        const DWORD first = WaitForSingleObject(mutex, count == 0 ? timeoutMs : 0);
        if (first == WAIT_OBJECT_0 || first == WAIT_ABANDONED) {
            held = mutex;
            return true;
        }
        if (count == 0) {
            return false;
        }
        HANDLE handles[4] = {mutex};
        for (DWORD i = 0; i < count; ++i) {
            handles[i + 1] = interrupts[i];
        }
        const DWORD wait = WaitForMultipleObjects(count + 1, handles, FALSE, timeoutMs);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED_0) {
            held = mutex;
        } else {
            *interrupted = wait > WAIT_OBJECT_0 && wait <= WAIT_OBJECT_0 + count;
        }
        return held != nullptr;
    }
    void Release() {
        if (held != nullptr) {
            ReleaseMutex(held);
            held = nullptr;
        }
    }
    bool Held() const { return held != nullptr; }

private:
    HANDLE held = nullptr;
};
