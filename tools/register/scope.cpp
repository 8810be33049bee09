#include "scope.h"

ClassesRoot::ClassesRoot(Scope scope) {
    if (scope == Scope::Machine) {
        return;
    }
    result = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &userClasses, nullptr);
    if (result != ERROR_SUCCESS) {
        userClasses = nullptr;
        return;
    }
    result = RegOverridePredefKey(HKEY_CLASSES_ROOT, userClasses);
    mapped = result == ERROR_SUCCESS;
}

ClassesRoot::~ClassesRoot() {
    if (mapped) {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    }
    if (userClasses != nullptr) {
        RegCloseKey(userClasses);
    }
}

const char* ScopeName(Scope scope) {
    return scope == Scope::Machine ? "the machine" : "the current user";
}

LONG EnsureUserClasses() {
    HKEY key = nullptr;
    const LONG result = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0,
                                        KEY_READ, nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS) {
        RegCloseKey(key);
    }
    return result;
}
