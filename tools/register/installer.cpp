#include "installer.h"

#include "user_classes.h"
#include "video_input_entry.h"

#include <cstdio>

namespace {
void Fail(const char* what, Scope scope, HRESULT hr, const char* outcome) {
    std::fprintf(stderr, "qvl_register: %s for %s failed: %s; %s\n", what, ScopeName(scope),
                 Describe(hr).c_str(), outcome);
    if (hr == E_ACCESSDENIED && scope == Scope::Machine) {
        std::fprintf(stderr, "qvl_register: the machine's classes need an administrator; "
                             "--user registers for the current user only\n");
    }
}

// Undoes an install that failed half-way; the failure stays the answer.
void RollBack(const ModuleEntries& module, const VideoInputEntry& entry, Scope scope) {
    HRESULT hr = entry.Remove(scope);
    if (SUCCEEDED(hr)) {
        hr = module.Unregister(scope);
    }
    if (FAILED(hr)) {
        std::fprintf(stderr,
                     "qvl_register: undoing it failed too (%s); run qvl_register uninstall%s\n",
                     Describe(hr).c_str(), scope == Scope::User ? " --user" : "");
    }
}
} // namespace

std::string Describe(HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof(code), "0x%08lX", static_cast<unsigned long>(hr));
    char text[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(hr), 0, text, sizeof(text), nullptr);
    std::string described(code);
    if (n > 0) {
        std::string message(text, n);
        message.erase(message.find_last_not_of("\r\n ") + 1);
        described += " (" + message + ")";
    }
    return described;
}

int Install(const ModuleEntries& module, Scope scope) {
    if (scope == Scope::User) {
        const LONG created = CUserClassesOverride::EnsureKey();
        if (created != ERROR_SUCCESS) {
            Fail("opening the classes", scope, HRESULT_FROM_WIN32(static_cast<DWORD>(created)),
                 "nothing is registered");
            return 1;
        }
    }
    const VideoInputEntry entry;
    if (FAILED(entry.Result())) {
        Fail("creating the filter mapper", scope, entry.Result(), "nothing is registered");
        return 1;
    }
    HRESULT hr = module.Register(scope);
    if (FAILED(hr)) {
        // DllRegisterServer leaves what it wrote; the per-user DllInstall cleans up itself.
        if (scope == Scope::Machine) {
            module.Unregister(scope);
        }
        Fail("registering the module", scope, hr, "nothing is registered");
        return 1;
    }
    hr = entry.Add(scope);
    if (FAILED(hr)) {
        Fail("adding the video input entry", scope, hr, "the module's registration is undone");
        RollBack(module, entry, scope);
        return 1;
    }
    std::printf("qvl_register: installed for %s: module registered, camera listed among the "
                "video input devices\n",
                ScopeName(scope));
    return 0;
}

int Uninstall(const ModuleEntries& module, Scope scope) {
    // The entry goes first, so that no listed camera ever points to an unregistered class.
    const VideoInputEntry entry;
    HRESULT hr = entry.Remove(scope);
    if (FAILED(hr)) {
        Fail("removing the video input entry", scope, hr, "nothing was removed");
        return 1;
    }
    hr = module.Unregister(scope);
    if (FAILED(hr)) {
        Fail("unregistering the module", scope, hr,
             "the camera is no longer listed, but its class stays registered");
        return 1;
    }
    std::printf("qvl_register: uninstalled for %s\n", ScopeName(scope));
    return 0;
}
