#pragma once
// Owner of one open registry key, closed when the owner goes. Header-only, like the other
// owners, so that the contract, the tools and the tests share it without the framework.
#include <windows.h>

class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey() { Reset(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    HKEY Get() const { return key; }
    // Closes the key held, if any, and hands out the place for the next one.
    HKEY* Put() {
        Reset();
        return &key;
    }
    void Reset() {
        if (key != nullptr) {
            RegCloseKey(key);
            key = nullptr;
        }
    }

private:
    HKEY key = nullptr;
};
