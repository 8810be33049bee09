#include "settings_scope.h"

#include "qvl_protocol.h"

namespace {
constexpr char settingsKey[] = QVL_SETTINGS_KEY;
const char* const settingNames[] = {QVL_SETTING_WIDTH, QVL_SETTING_HEIGHT, QVL_SETTING_FPS};
} // namespace

CSettingsScope::CSettingsScope() {
    for (const char* name : settingNames) {
        DWORD data = 0;
        if (Stored(name, &data)) {
            saved[name] = data;
        }
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, settingsKey);
}

CSettingsScope::~CSettingsScope() {
    RegDeleteTreeA(HKEY_CURRENT_USER, settingsKey);
    for (const auto& [name, data] : saved) {
        Store(name.c_str(), data);
    }
}

bool CSettingsScope::Store(const char* value, DWORD data) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, settingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG result = RegSetValueExA(key, value, 0, REG_DWORD,
                                       reinterpret_cast<const BYTE*>(&data), sizeof(data));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool CSettingsScope::Stored(const char* value, DWORD* data) {
    DWORD type = 0;
    DWORD size = sizeof(*data);
    const LONG result =
        RegGetValueA(HKEY_CURRENT_USER, settingsKey, value, RRF_RT_ANY, &type, data, &size);
    return result == ERROR_SUCCESS && type == REG_DWORD;
}

bool CSettingsScope::StoreAll(DWORD width, DWORD height, DWORD fps) {
    return Store(QVL_SETTING_WIDTH, width) && Store(QVL_SETTING_HEIGHT, height) &&
           Store(QVL_SETTING_FPS, fps);
}
