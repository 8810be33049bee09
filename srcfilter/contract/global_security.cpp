#include "global_security.h"

#include "qvl_protocol.h"

#include <sddl.h>

#include <cstdio>

GlobalObjectSecurity::GlobalObjectSecurity() {
    const unsigned long userRights[kinds] = {QVL_MF_REGION_ACCESS, QVL_MF_MUTEX_ACCESS,
                                             QVL_MF_EVENT_ACCESS};
    for (int kind = 0; kind < kinds; ++kind) {
        // Protected (P): nothing inherited widens it.
        char sddl[128];
        std::snprintf(sddl, sizeof(sddl), "D:P(A;;GA;;;SY)(A;;GA;;;LS)(A;;GA;;;OW)(A;;0x%lX;;;IU)",
                      userRights[kind]);
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1,
                                                                  &descriptors[kind], nullptr)) {
            descriptors[kind] = nullptr;
        }
        attributes[kind].nLength = sizeof(attributes[kind]);
        attributes[kind].lpSecurityDescriptor = descriptors[kind];
        attributes[kind].bInheritHandle = FALSE;
    }
}

GlobalObjectSecurity::~GlobalObjectSecurity() {
    for (PSECURITY_DESCRIPTOR descriptor : descriptors) {
        if (descriptor != nullptr) {
            LocalFree(descriptor);
        }
    }
}

SECURITY_ATTRIBUTES* GlobalObjectSecurity::For(Kind kind) {
    return descriptors[kind] != nullptr ? &attributes[kind] : nullptr;
}
