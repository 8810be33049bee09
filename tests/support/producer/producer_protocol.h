#pragma once
// What the stand-in producer process and the tests that drive it agree on.
//
// Command line: test_producer <region-name> <region-size> <fill-byte> <hold-ms> [exit-holding]
// The producer creates (or opens) the region and its mutex, takes the mutex, writes a frame of
// <region-size> bytes and sets the ready event. It then holds the mutex until the test sets the
// release event, or <hold-ms> at most, and releases it - or, with exit-holding, exits while still
// holding it, which leaves the mutex abandoned. The test creates both events before it starts the
// producer, so neither side depends on timing.
#include "qvl_protocol.h"

#include <windows.h>

#include <string>

namespace producer {

inline std::string ReadyEventName(const std::string& regionName) {
    return regionName + ".ready";
}
inline std::string ReleaseEventName(const std::string& regionName) {
    return regionName + ".release";
}
inline std::string MutexName(const std::string& regionName) {
    return regionName + QVL_MUTEX_SUFFIX;
}

// Frame content at `offset`: varies with every byte of the offset, so a copy from the wrong
// place or a shifted copy shows.
inline BYTE PatternByte(BYTE fill, DWORD offset) {
    return static_cast<BYTE>(fill + offset + (offset >> 8) * 3 + (offset >> 16) * 5);
}

enum ExitCode : int {
    exitOk = 0,
    exitUsage = 2,
    exitNoRegion = 3,
    exitNoView = 4,
    exitNoMutex = 5,
    exitNoEvents = 6,
    exitNoOwnership = 7,
};

} // namespace producer
