#include "sharedmemory.h"

#include <objbase.h>

namespace {
const char mutexSuffix[] = ".mutex";
}

bool Cqvl_SharedMemory::Open(const char* regionName, DWORD regionSize, DWORD waitMs) {
    if (isOpen || regionName == nullptr) {
        return false;
    }
    lstrcpynA(name, regionName, sizeof(name));
    size = regionSize;
    timeoutMs = waitMs;

    mappingHandle = CreateOrOpenMapping();
    if (mappingHandle == nullptr) {
        return false;
    }
    MapWholeRegion();
    CreateMutexByName();
    isOpen = true;
    return true;
}

HANDLE Cqvl_SharedMemory::CreateOrOpenMapping() const {
    HANDLE created =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    if (created == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) {
        return created;
    }
    // The producer came first: keep one all-access handle to its region, whatever its size.
    HANDLE opened = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
    CloseHandle(created);
    return opened;
}

void Cqvl_SharedMemory::MapWholeRegion() {
    view = static_cast<BYTE*>(MapViewOfFile(mappingHandle, FILE_MAP_WRITE, 0, 0, 0));
    if (view == nullptr) {
        return;
    }
    // An existing region has its creator's size, not ours; copies are clamped to what is mapped.
    MEMORY_BASIC_INFORMATION info = {};
    if (VirtualQuery(view, &info, sizeof(info)) == 0) {
        return;
    }
    mappedSize = info.RegionSize > MAXDWORD ? MAXDWORD : static_cast<DWORD>(info.RegionSize);
}

void Cqvl_SharedMemory::CreateMutexByName() {
    char mutexName[sizeof(name) + sizeof(mutexSuffix)];
    lstrcpyA(mutexName, name);
    lstrcatA(mutexName, mutexSuffix);
    mutexHandle = CreateMutexA(nullptr, FALSE, mutexName);
}

BYTE* Cqvl_SharedMemory::Lock() {
    if (isLocked) {
        return view;
    }
    if (mutexHandle == nullptr) {
        return nullptr;
    }
    const DWORD wait = WaitForSingleObject(mutexHandle, timeoutMs);
    // An abandoned mutex still passes ownership to us; the region may hold a torn frame, which
    // is no worse than a late one.
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
        return nullptr;
    }
    isLocked = true;
    return view;
}

void Cqvl_SharedMemory::Unlock() {
    if (!isLocked) {
        return;
    }
    ReleaseMutex(mutexHandle);
    isLocked = false;
}

void Cqvl_SharedMemory::Close() {
    // Never leave the producer waiting on a mutex whose only owner has gone away.
    Unlock();
    if (isOpen && view != nullptr) {
        UnmapViewOfFile(view);
        view = nullptr;
    }
    mappedSize = 0;
    if (mappingHandle != nullptr) {
        CloseHandle(mappingHandle);
        mappingHandle = nullptr;
    }
    if (mutexHandle != nullptr) {
        CloseHandle(mutexHandle);
        mutexHandle = nullptr;
    }
}

DWORD Cqvl_SharedMemory::CopyFrame(BYTE* dest, DWORD destSize) const {
    if (!isLocked || view == nullptr || dest == nullptr) {
        return 0;
    }
    const DWORD count = destSize < mappedSize ? destSize : mappedSize;
    CopyMemory(dest, view, count);
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
