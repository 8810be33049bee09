// The Global objects' descriptors: each one built, and what interactive users are granted is
// exactly what the protocol tells a producer to ask for. (Their effect across sessions needs
// Windows' Frame Server; under Wine every object is in one namespace.)
#include "global_security.h"

#include "qvl_protocol.h"

#include <gtest/gtest.h>

namespace {

// The rights the descriptor grants the interactive users' group, or 0.
DWORD InteractiveRights(SECURITY_ATTRIBUTES* attributes) {
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (attributes == nullptr ||
        !GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &dacl, &defaulted) ||
        dacl == nullptr) {
        return 0;
    }
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD sidBytes = sizeof(sid);
    CreateWellKnownSid(WinInteractiveSid, nullptr, sid, &sidBytes);
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(dacl, i, reinterpret_cast<void**>(&ace)) &&
            ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE && EqualSid(&ace->SidStart, sid)) {
            return ace->Mask;
        }
    }
    return 0;
}

TEST(GlobalObjectSecurity, InteractiveUsersGetOnlyWhatAProducerAsksFor) {
    GlobalObjectSecurity security;
    EXPECT_EQ(QVL_MF_REGION_ACCESS, InteractiveRights(security.For(GlobalObjectSecurity::mapping)));
    EXPECT_EQ(QVL_MF_MUTEX_ACCESS, InteractiveRights(security.For(GlobalObjectSecurity::mutex)));
    EXPECT_EQ(QVL_MF_EVENT_ACCESS, InteractiveRights(security.For(GlobalObjectSecurity::event)));
}

} // namespace
