#include "channel_objects.h"

#include "qvl_protocol.h"

#include <cstdio>

HANDLE CreateOrOpenRegion(const char* name, DWORD size) {
    HANDLE created =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    if (created == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) {
        return created;
    }
    // The other side came first: keep one all-access handle to its region, whatever its size.
    CloseHandle(created);
    return OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
}

HANDLE CreateOrOpenMutex(const char* regionName) {
    static const char suffix[] = QVL_MUTEX_SUFFIX;
    char mutexName[256 + sizeof(suffix)]; // region names are at most 255 bytes
    const int length = lstrlenA(regionName);
    if (length + sizeof(suffix) > sizeof(mutexName)) {
        return nullptr;
    }
    lstrcpyA(mutexName, regionName);
    lstrcpyA(mutexName + length, suffix);
    return CreateMutexA(nullptr, FALSE, mutexName);
}

HANDLE CreateOrOpenSignalBlock(const char* regionName) {
    char name[256 + sizeof(QVL_SIGNAL_SUFFIX)]; // region names are at most 255 bytes
    std::snprintf(name, sizeof(name), "%s%s", regionName, QVL_SIGNAL_SUFFIX);
    return CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                              sizeof(qvl_signal_block), name);
}

HANDLE CreateOrOpenSlotEvent(const char* regionName, unsigned slot) {
    char name[256 + sizeof(QVL_SIGNAL_SUFFIX) + 16];
    std::snprintf(name, sizeof(name), QVL_SIGNAL_EVENT_FORMAT, regionName, slot);
    return CreateEventA(nullptr, FALSE, FALSE, name);
}
