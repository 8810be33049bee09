#pragma once
// Owns one open registry key (null: none) and closes it. Header-only, like the other owners.
#include <windows.h>

class CRegistryKey {
public:
    explicit CRegistryKey(HKEY key = nullptr) : key(key) {}
    ~CRegistryKey() { Reset(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    HKEY Get() const { return key; }
    // Closes the key held, if any, and takes `other` instead.
    void Reset(HKEY other = nullptr) {
        if (key != nullptr) {
            RegCloseKey(key);
        }
        key = other;
    }

private:
    HKEY key;
};

// Opens (or, with `create`, creates) HKEY_CURRENT_USER\`path` with `access`; a null key when
// that fails.
inline void OpenUserKey(CRegistryKey& owner, const wchar_t* path, REGSAM access, bool create) {
    HKEY opened = nullptr;
    const LONG result = create ? RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, access,
                                                 nullptr, &opened, nullptr)
                               : RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, access, &opened);
    owner.Reset(result == ERROR_SUCCESS ? opened : nullptr);
}
