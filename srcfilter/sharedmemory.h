#pragma once
// The named shared-memory region and mutex through which the producer hands frames to the
// stream. Opened once per stream; locked, copied from and unlocked once per sample.
#include "kernel_owners.h"

#include <windows.h>

class Cqvl_SharedMemory {
public:
    Cqvl_SharedMemory() = default;
    ~Cqvl_SharedMemory() { Close(); }
    Cqvl_SharedMemory(const Cqvl_SharedMemory&) = delete;
    Cqvl_SharedMemory& operator=(const Cqvl_SharedMemory&) = delete;

    // Creates or opens the region `name` (of `size` bytes when created here) and the mutex
    // `name` + ".mutex", and maps the whole region. False if already open or no region handle.
    bool Open(const char* name, DWORD size, DWORD timeoutMs);
    // Waits up to the open's timeout for the mutex; the region's address, or null when the
    // mutex was not granted or nothing is mapped.
    BYTE* Lock();
    // As Lock, but one of `interrupts` (up to three events) signalled first ends the wait and
    // sets `*interrupted`.
    BYTE* Lock(const HANDLE* interrupts, DWORD count, bool* interrupted);
    // Gives the mutex back if this channel holds it.
    void Unlock();
    // Unmaps the region and closes both handles; a closed channel is never opened again.
    void Close();

    // Copies min(destSize, MappedSize()) bytes from the region's start while the channel holds
    // the mutex; returns the number of bytes copied (0 when not locked or nothing is mapped).
    DWORD CopyFrame(BYTE* dest, DWORD destSize) const;
    // Bytes the mapped view really spans: the creator's size rounded up to whole pages.
    DWORD MappedSize() const { return mappedSize; }
    const char* Name() const { return name; }
    bool IsOpen() const { return isOpen; }
    bool IsLocked() const { return lock.Held(); }

private:
    bool isOpen = false;
    DWORD size = 0;
    DWORD timeoutMs = 0;
    char name[256] = {};
    // Declared so that the mutex is given back before its handle closes, and the view goes
    // before the mapping.
    CKernelHandle mappingHandle;
    CKernelHandle mutexHandle;
    CMappedView view;
    CMutexHold lock;
    DWORD mappedSize = 0;

    void MapWholeRegion();
};

// The region name for a class identifier: its registry string form in the ANSI code page.
bool RegionNameForClsid(REFCLSID clsid, char (&name)[256]);
