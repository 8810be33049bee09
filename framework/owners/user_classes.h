#pragma once
// The per-user classes override: while it lives, HKEY_CLASSES_ROOT of this process means the
// current user's "Software\Classes", so that class registrations land in the user's own
// classes. Header-only, for the module's per-user install and qvl_register alike.
//
// Create the platform's filter mapper before the override, never under it: the mapper is the
// platform's class, registered in the machine's classes, and activation must find it in the
// view where it is registered; the mapper opens its keys on each call, so its writes made
// while the override lives still land in the user's classes.
#include <windows.h>

class CUserClassesOverride {
public:
    enum Missing { failIfMissing, createIfMissing };

    explicit CUserClassesOverride(Missing missing) {
        result = missing == createIfMissing
                     ? RegCreateKeyExW(HKEY_CURRENT_USER, keyName, 0, nullptr, 0, KEY_ALL_ACCESS,
                                       nullptr, &userClasses, nullptr)
                     : RegOpenKeyExW(HKEY_CURRENT_USER, keyName, 0, KEY_ALL_ACCESS, &userClasses);
        if (result != ERROR_SUCCESS) {
            userClasses = nullptr;
            return;
        }
        result = RegOverridePredefKey(HKEY_CLASSES_ROOT, userClasses);
        mapped = result == ERROR_SUCCESS;
    }
    ~CUserClassesOverride() {
        if (mapped) {
            RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        }
        if (userClasses != nullptr) {
            RegCloseKey(userClasses);
        }
    }
    CUserClassesOverride(const CUserClassesOverride&) = delete;
    CUserClassesOverride& operator=(const CUserClassesOverride&) = delete;

    // ERROR_SUCCESS while HKEY_CLASSES_ROOT is the user's classes, else why it is not.
    LONG Result() const { return result; }

    // Creates the user's classes key when it is missing, as in a fresh Wine prefix (Windows
    // always has it); a per-user install of the module needs it to exist.
    static LONG EnsureKey() {
        HKEY key = nullptr;
        const LONG created = RegCreateKeyExW(HKEY_CURRENT_USER, keyName, 0, nullptr, 0, KEY_READ,
                                             nullptr, &key, nullptr);
        if (created == ERROR_SUCCESS) {
            RegCloseKey(key);
        }
        return created;
    }

private:
    static constexpr const wchar_t* keyName = L"Software\\Classes";
    HKEY userClasses = nullptr;
    bool mapped = false;
    LONG result = ERROR_SUCCESS;
};
