// Registration faults, run with the stress suite: a class key that cannot be deleted must not
// hang DllUnregisterServer, and the camera must no longer be listed afterwards.
#include "mapper_probe.h"
#include "registry_probe.h"
#include "srcfilter_module.h"
#include "stress_report.h"

#include <gtest/gtest.h>

#include <future>

namespace {

constexpr DWORD hangLimitMs = 30000;

TEST(RegistrationFaults, UndeletableClassKeyDoesNotHangUnregistration) {
    SrcFilterModule dll;
    ASSERT_TRUE(dll.Loaded());
    CoInitialize(nullptr);
    const std::string classKey = InClasses(ClassKeyPath(kCameraClass));
    // "Stuck" refuses to list its sub-keys, so neither it nor its child can be deleted.
    const std::string stuck = classKey + "\\InprocServer32\\Stuck";
    ASSERT_EQ(S_OK, dll.Register());
    CreateKey(HKEY_LOCAL_MACHINE, stuck + "\\Inner");
    ASSERT_EQ(ERROR_SUCCESS,
              RestrictKey(HKEY_LOCAL_MACHINE, stuck, KEY_READ & ~KEY_ENUMERATE_SUB_KEYS));

    auto unregistered = std::async(std::launch::async, [&] { return dll.Unregister(); });
    if (unregistered.wait_for(std::chrono::milliseconds(hangLimitMs)) !=
        std::future_status::ready) {
        ADD_FAILURE() << "DllUnregisterServer hung on a class key it cannot delete";
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    const HRESULT hr = unregistered.get();
    EXPECT_TRUE(ListedFilters(kCameraClass).empty()) << "still listed after " << std::hex << hr;

    RestrictKey(HKEY_LOCAL_MACHINE, stuck, KEY_ALL_ACCESS);
    DeleteTree(HKEY_LOCAL_MACHINE, classKey);
    DeleteTree(HKEY_LOCAL_MACHINE, InClasses(MapperInstancePath(kCameraClass)));
    CoUninitialize();
    ReportRow("registration: undeletable class key", "DllUnregisterServer",
              "returned, camera no longer listed");
}

} // namespace
