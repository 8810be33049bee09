#pragma once
// The camera's per-user settings, saved for the length of a scope: a test or a benchmark sets
// them as it needs, and the user's own values come back when it ends.
#include <windows.h>

#include <map>
#include <string>

// Clears the camera's settings key and puts back what it held before when the scope ends.
class CSettingsScope {
public:
    CSettingsScope();
    ~CSettingsScope();
    CSettingsScope(const CSettingsScope&) = delete;
    CSettingsScope& operator=(const CSettingsScope&) = delete;

    // Stores one REG_DWORD value (QVL_SETTING_WIDTH, _HEIGHT or _FPS).
    static bool Store(const char* value, DWORD data);
    // Reads one REG_DWORD value; false when it is missing or of another type.
    static bool Stored(const char* value, DWORD* data);
    // Stores all three values.
    static bool StoreAll(DWORD width, DWORD height, DWORD fps);

private:
    std::map<std::string, DWORD> saved;
};
