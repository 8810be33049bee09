// The module's exported entry points (undecorated names come from srcfilter.def).
#include "classfactory.h"
#include "dllentry.h"
#include "registration.h"

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
// Maps HKEY_CLASSES_ROOT of this process onto the current user's class registrations for
// as long as it lives.
class PerUserClasses {
public:
    PerUserClasses() {
        if (RegOpenKeyW(HKEY_CURRENT_USER, L"Software\\Classes", &userClasses) != ERROR_SUCCESS) {
            userClasses = nullptr;
            return;
        }
        mapped = RegOverridePredefKey(HKEY_CLASSES_ROOT, userClasses) == ERROR_SUCCESS;
    }
    PerUserClasses(const PerUserClasses&) = delete;
    PerUserClasses& operator=(const PerUserClasses&) = delete;
    ~PerUserClasses() {
        if (mapped) {
            RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        }
        if (userClasses != nullptr) {
            RegCloseKey(userClasses);
        }
    }
    bool Mapped() const { return mapped; }

private:
    HKEY userClasses = nullptr;
    bool mapped = false;
};

// "user" as a case-insensitive prefix of the command line selects the per-user mode.
bool IsPerUser(LPCWSTR commandLine) {
    return commandLine != nullptr && _wcsnicmp(commandLine, L"user", 4) == 0;
}

HRESULT InstallOrRemove(BOOL install) {
    if (!install) {
        return DllUnregisterServer();
    }
    const HRESULT hr = DllRegisterServer();
    if (FAILED(hr)) {
        // Take away whatever part was written; the registration's failure is the answer.
        DllUnregisterServer();
    }
    return hr;
}
} // namespace

STDAPI DllInstall(BOOL install, LPCWSTR commandLine) {
    if (!IsPerUser(commandLine)) {
        return InstallOrRemove(install);
    }
    PerUserClasses classes;
    if (!classes.Mapped()) {
        return E_FAIL;
    }
    return InstallOrRemove(install);
}
