// The module's exported entry points (undecorated names come from srcfilter.def).
#include "classfactory.h"
#include "dllentry.h"
#include "mapperstep.h"
#include "registration.h"
#include "user_classes.h"

#include <objbase.h>
#include <wchar.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    return DllEntryPoint(module, reason, reserved);
}

// DllGetClassObject and DllCanUnloadNow live in the framework's static library; naming them
// here brings them into the module, so that srcfilter.def can export them.
[[gnu::used]] static const void* const frameworkExports[] = {
    reinterpret_cast<const void*>(&DllGetClassObject),
    reinterpret_cast<const void*>(&DllCanUnloadNow)};

STDAPI DllRegisterServer() {
    return AMovieDllRegisterServer2(TRUE);
}

STDAPI DllUnregisterServer() {
    return AMovieDllRegisterServer2(FALSE);
}

namespace {
// "user" as a case-insensitive prefix of the command line selects the per-user mode.
bool IsPerUser(LPCWSTR commandLine) {
    return commandLine != nullptr && _wcsnicmp(commandLine, L"user", 4) == 0;
}

// `mapper`: one made beforehand, or null to make one at the mapper step.
HRESULT InstallOrRemove(BOOL install, CFilterMapperStep* mapper) {
    if (!install) {
        return AMovieDllRegisterServer2(FALSE, mapper);
    }
    const HRESULT hr = AMovieDllRegisterServer2(TRUE, mapper);
    if (FAILED(hr)) {
        // Take away whatever part was written; the registration's failure is the answer.
        AMovieDllRegisterServer2(FALSE, mapper);
    }
    return hr;
}
} // namespace

STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    if (!IsPerUser(commandLine)) {
        return InstallOrRemove(install, nullptr);
    }
    // The mapper comes before the override (see user_classes.h) and outlives it.
    CFilterMapperStep mapper(CFilterMapperStep::newerFirst);
    const CUserClassesOverride classes(CUserClassesOverride::failIfMissing);
    if (classes.Result() != ERROR_SUCCESS) {
        return E_FAIL;
    }
    return InstallOrRemove(install, &mapper);
}
