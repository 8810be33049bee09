#include "process_handles.h"

#include <vector>

namespace {
// One row of the system handle table (information class 16). Windows splits the first field
// into a 16-bit process id and a back-trace index; Wine stores a 32-bit id there.
struct HandleEntry {
    ULONG owner;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};

struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG systemHandleInformation = 16;
constexpr LONG lengthMismatch = static_cast<LONG>(0xC0000004);
} // namespace

long OpenHandleCount() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
    if (query == nullptr) {
        return -1;
    }
    std::vector<BYTE> buffer(1 << 16);
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(systemHandleInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
        if (status == lengthMismatch) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status != 0) {
            return -1;
        }
        break;
    }
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    const ULONG self = GetCurrentProcessId() & 0xFFFF;
    long count = 0;
    for (ULONG i = 0; i < table->count; ++i) {
        if ((table->entries[i].owner & 0xFFFF) == self) {
            ++count;
        }
    }
    return count;
}
