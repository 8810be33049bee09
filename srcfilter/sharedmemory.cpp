#include "sharedmemory.h"

#include "channel_objects.h"

#include <objbase.h>

bool Cqvl_SharedMemory::Open(const char* regionName, DWORD regionSize, DWORD waitMs) {
    if (isOpen || regionName == nullptr) {
        return false;
    }
    lstrcpynA(name, regionName, sizeof(name));
    size = regionSize;
    timeoutMs = waitMs;

    mappingHandle.Reset(CreateOrOpenRegion(name, size));
    if (mappingHandle.Get() == nullptr) {
        return false;
    }
    MapWholeRegion();
    // A failed mutex is not reported: every Lock then fails at once.
    mutexHandle.Reset(CreateOrOpenMutex(name));
    isOpen = true;
    return true;
}

void Cqvl_SharedMemory::MapWholeRegion() {
    // A failed mapping is not reported: the channel opens and copies nothing.
    if (!view.Map(mappingHandle.Get())) {
        return;
    }
    // An existing region has its creator's size, not ours; copies are clamped to what is mapped.
    const SIZE_T span = view.Span();
    mappedSize = span > MAXDWORD ? MAXDWORD : static_cast<DWORD>(span);
}

BYTE* Cqvl_SharedMemory::Lock() {
    // An abandoned mutex still passes ownership to us; the region may hold a torn frame, which
    // is no worse than a late one.
    return lock.Acquire(mutexHandle.Get(), timeoutMs) ? view.Get() : nullptr;
}

BYTE* Cqvl_SharedMemory::Lock(const HANDLE* interrupts, DWORD count, bool* interrupted) {
    return lock.Acquire(mutexHandle.Get(), timeoutMs, interrupts, count, interrupted) ? view.Get()
                                                                                      : nullptr;
}

void Cqvl_SharedMemory::Unlock() {
    lock.Release();
}

void Cqvl_SharedMemory::Close() {
    // Never leave the producer waiting on a mutex whose only owner has gone away.
    lock.Release();
    view.Reset();
    mappedSize = 0;
    mappingHandle.Reset();
    mutexHandle.Reset();
}

DWORD Cqvl_SharedMemory::CopyFrame(BYTE* dest, DWORD destSize) const {
    if (!lock.Held() || view.Get() == nullptr || dest == nullptr) {
        return 0;
    }
    const DWORD count = destSize < mappedSize ? destSize : mappedSize;
    CopyMemory(dest, view.Get(), count);
    return count;
}

bool RegionNameForClsid(REFCLSID clsid, char (&name)[256]) {
    LPOLESTR text = nullptr;
    if (FAILED(StringFromCLSID(clsid, &text))) {
        return false;
    }
    const int written =
        WideCharToMultiByte(CP_ACP, 0, text, -1, name, sizeof(name), nullptr, nullptr);
    CoTaskMemFree(text);
    if (written == 0) {
        name[0] = 0;
        return false;
    }
    return true;
}
