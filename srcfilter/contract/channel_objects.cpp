#include "channel_objects.h"

#include "qvl_protocol.h"

#include <cstdio>

namespace {

// Region names are at most 255 bytes; the longest suffix is a slot event's.
using ObjectName = char[256 + sizeof(QVL_SIGNAL_SUFFIX) + 16];

// False when the name would not fit.
bool Suffixed(const char* regionName, const char* suffix, ObjectName& name) {
    const int written = std::snprintf(name, sizeof(name), "%s%s", regionName, suffix);
    return written > 0 && static_cast<size_t>(written) < sizeof(name);
}

bool SlotEventName(const char* regionName, unsigned slot, ObjectName& name) {
    const int written =
        std::snprintf(name, sizeof(name), QVL_SIGNAL_EVENT_FORMAT, regionName, slot);
    return written > 0 && static_cast<size_t>(written) < sizeof(name);
}

} // namespace

HANDLE CreateOrOpenRegion(const char* name, DWORD size, SECURITY_ATTRIBUTES* security) {
    HANDLE created =
        CreateFileMappingA(INVALID_HANDLE_VALUE, security, PAGE_READWRITE, 0, size, name);
    if (created == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) {
        return created;
    }
    // The other side came first: keep one all-access handle to its region, whatever its size.
    CloseHandle(created);
    return OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
}

HANDLE CreateOrOpenMutex(const char* regionName, SECURITY_ATTRIBUTES* security) {
    ObjectName name;
    return Suffixed(regionName, QVL_MUTEX_SUFFIX, name) ? CreateMutexA(security, FALSE, name)
                                                        : nullptr;
}

HANDLE CreateOrOpenSignalBlock(const char* regionName, SECURITY_ATTRIBUTES* security) {
    ObjectName name;
    return Suffixed(regionName, QVL_SIGNAL_SUFFIX, name)
               ? CreateFileMappingA(INVALID_HANDLE_VALUE, security, PAGE_READWRITE, 0,
                                    sizeof(qvl_signal_block), name)
               : nullptr;
}

HANDLE CreateOrOpenSlotEvent(const char* regionName, unsigned slot, SECURITY_ATTRIBUTES* security) {
    ObjectName name;
    return SlotEventName(regionName, slot, name) ? CreateEventA(security, FALSE, FALSE, name)
                                                 : nullptr;
}

HANDLE OpenRegion(const char* name) {
    return OpenFileMappingA(QVL_MF_REGION_ACCESS, FALSE, name);
}

HANDLE OpenChannelMutex(const char* regionName) {
    ObjectName name;
    return Suffixed(regionName, QVL_MUTEX_SUFFIX, name)
               ? OpenMutexA(QVL_MF_MUTEX_ACCESS, FALSE, name)
               : nullptr;
}

HANDLE OpenSignalBlock(const char* regionName) {
    ObjectName name;
    return Suffixed(regionName, QVL_SIGNAL_SUFFIX, name) ? OpenRegion(name) : nullptr;
}

HANDLE OpenSlotEvent(const char* regionName, unsigned slot) {
    ObjectName name;
    return SlotEventName(regionName, slot, name) ? OpenEventA(QVL_MF_EVENT_ACCESS, FALSE, name)
                                                 : nullptr;
}
