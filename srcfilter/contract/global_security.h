#pragma once
// The security descriptors the Windows 11 camera gives its Global objects: all rights to the
// accounts that run it (Local System, Local Service) and to the objects' owner, and to
// interactive users only what a producer needs (QVL_MF_*_ACCESS in qvl_protocol.h).
#include <windows.h>

class GlobalObjectSecurity {
public:
    enum Kind { mapping = 0, mutex = 1, event = 2, kinds = 3 };

    GlobalObjectSecurity();
    ~GlobalObjectSecurity();
    GlobalObjectSecurity(const GlobalObjectSecurity&) = delete;
    GlobalObjectSecurity& operator=(const GlobalObjectSecurity&) = delete;

    // The attributes for objects of `kind`, or null when the descriptor could not be built.
    SECURITY_ATTRIBUTES* For(Kind kind);

private:
    PSECURITY_DESCRIPTOR descriptors[kinds] = {};
    SECURITY_ATTRIBUTES attributes[kinds] = {};
};
