#include "startup_entry.h"

#include "panel_names.h"
#include "registry_key.h"

#include <windows.h>

#include <string>

namespace {

const wchar_t* const runKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t* const approvedKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const wchar_t* const valueName = L"" QVL_PANEL_RUN_VALUE;

std::wstring ThisProgram() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

} // namespace

StartupState ReadStartup() {
    if (RegGetValueW(HKEY_CURRENT_USER, runKey, valueName, RRF_RT_REG_SZ, nullptr, nullptr,
                     nullptr) != ERROR_SUCCESS) {
        return StartupState::Off;
    }
    // Windows' switch: 12 bytes whose first one is even while the entry may run, odd once the
    // user has turned it off. No value: never switched, so it runs.
    BYTE approved[12] = {};
    DWORD bytes = sizeof(approved);
    const LONG read = RegGetValueW(HKEY_CURRENT_USER, approvedKey, valueName, RRF_RT_REG_BINARY,
                                   nullptr, approved, &bytes);
    return read == ERROR_SUCCESS && bytes > 0 && (approved[0] & 1) != 0 ? StartupState::OffByWindows
                                                                        : StartupState::On;
}

bool SetStartup(bool on) {
    if (!on) {
        const LONG removed = RegDeleteKeyValueW(HKEY_CURRENT_USER, runKey, valueName);
        return removed == ERROR_SUCCESS || removed == ERROR_FILE_NOT_FOUND;
    }
    const std::wstring command = L"\"" + ThisProgram() + L"\" --tray";
    CRegistryKey key;
    OpenUserKey(key, runKey, KEY_SET_VALUE, true);
    return key.Get() != nullptr &&
           RegSetValueExW(
               key.Get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
               static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}
