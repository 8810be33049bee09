#include "stored_settings.h"

#include "qvl_protocol.h"

namespace {

// One REG_DWORD value of the settings key under `root`; false when it is not there.
bool ReadValue(HKEY root, const char* name, DWORD* value) {
    DWORD size = sizeof(*value);
    return RegGetValueA(root, QVL_SETTINGS_KEY, name, RRF_RT_REG_DWORD, nullptr, value, &size) ==
           ERROR_SUCCESS;
}

long Setting(const char* name, long fallback) {
    DWORD value = 0;
    if (ReadValue(HKEY_CURRENT_USER, name, &value) || ReadValue(HKEY_LOCAL_MACHINE, name, &value)) {
        return static_cast<long>(static_cast<LONG>(value)); // the camera reads them signed
    }
    return fallback;
}

LONG WriteValue(HKEY key, const char* name, long value) {
    const DWORD data = static_cast<DWORD>(value);
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof(data));
}

long MachineSetting(HKEY key, const char* name, long fallback) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    if (key != nullptr &&
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS &&
        type == REG_DWORD) {
        return static_cast<long>(static_cast<LONG>(value));
    }
    return fallback;
}

} // namespace

CameraFormat ReadMachineSettings() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, QVL_SETTINGS_KEY, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      &key) != ERROR_SUCCESS) {
        key = nullptr;
    }
    CameraFormat stored;
    stored.width = MachineSetting(key, QVL_SETTING_WIDTH, QVL_DEFAULT_WIDTH);
    stored.height = MachineSetting(key, QVL_SETTING_HEIGHT, QVL_DEFAULT_HEIGHT);
    stored.fps = MachineSetting(key, QVL_SETTING_FPS, QVL_DEFAULT_FPS);
    if (key != nullptr) {
        RegCloseKey(key);
    }
    return stored;
}

CameraFormat ReadStoredSettings() {
    CameraFormat stored;
    stored.width = Setting(QVL_SETTING_WIDTH, QVL_DEFAULT_WIDTH);
    stored.height = Setting(QVL_SETTING_HEIGHT, QVL_DEFAULT_HEIGHT);
    stored.fps = Setting(QVL_SETTING_FPS, QVL_DEFAULT_FPS);
    return stored;
}

LONG WriteUserSettings(const CameraFormat& format) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, QVL_SETTINGS_KEY, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    result = WriteValue(key, QVL_SETTING_WIDTH, format.width);
    if (result == ERROR_SUCCESS) {
        result = WriteValue(key, QVL_SETTING_HEIGHT, format.height);
    }
    if (result == ERROR_SUCCESS) {
        result = WriteValue(key, QVL_SETTING_FPS, format.fps);
    }
    RegCloseKey(key);
    return result;
}

LONG StoreUserFormat(const CameraFormat& format) {
    if (!FrameSizeAllowed(format.width, format.height) || !RateAllowed(format.fps)) {
        return ERROR_INVALID_DATA;
    }
    return WriteUserSettings(format);
}
