#include "stored_settings.h"

#include "qvl_protocol.h"
#include "registry_key.h"

namespace {

// One REG_DWORD value of the settings key under `root`; false when it is not there.
bool ReadValue(HKEY root, const char* name, DWORD* value) {
    DWORD size = sizeof(*value);
    return RegGetValueA(root, QVL_SETTINGS_KEY, name, RRF_RT_REG_DWORD, nullptr, value, &size) ==
           ERROR_SUCCESS;
}

long Signed(DWORD value) {
    return static_cast<long>(static_cast<LONG>(value)); // the camera reads them signed
}

long Setting(const char* name, long fallback) {
    DWORD value = 0;
    if (ReadValue(HKEY_CURRENT_USER, name, &value) || ReadValue(HKEY_LOCAL_MACHINE, name, &value)) {
        return Signed(value);
    }
    return fallback;
}

LONG WriteValue(HKEY key, const char* name, long value) {
    const DWORD data = static_cast<DWORD>(value);
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof(data));
}

LONG WriteSettings(HKEY root, REGSAM view, const CameraFormat& format) {
    HKEY created = nullptr;
    LONG result = RegCreateKeyExA(root, QVL_SETTINGS_KEY, 0, nullptr, 0, KEY_SET_VALUE | view,
                                  nullptr, &created, nullptr);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    const CRegistryKey key(created);
    result = WriteValue(key.Get(), QVL_SETTING_WIDTH, format.width);
    if (result == ERROR_SUCCESS) {
        result = WriteValue(key.Get(), QVL_SETTING_HEIGHT, format.height);
    }
    if (result == ERROR_SUCCESS) {
        result = WriteValue(key.Get(), QVL_SETTING_FPS, format.fps);
    }
    return result;
}

} // namespace

CameraFormat ReadStoredSettings() {
    CameraFormat stored;
    stored.width = Setting(QVL_SETTING_WIDTH, QVL_DEFAULT_WIDTH);
    stored.height = Setting(QVL_SETTING_HEIGHT, QVL_DEFAULT_HEIGHT);
    stored.fps = Setting(QVL_SETTING_FPS, QVL_DEFAULT_FPS);
    return stored;
}

LONG WriteUserSettings(const CameraFormat& format) {
    return WriteSettings(HKEY_CURRENT_USER, 0, format);
}

CameraFormat ReadMachineSettings() {
    CameraFormat stored = {QVL_DEFAULT_WIDTH, QVL_DEFAULT_HEIGHT, QVL_DEFAULT_FPS};
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, QVL_SETTINGS_KEY, 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      &opened) != ERROR_SUCCESS) {
        return stored;
    }
    const CRegistryKey key(opened);
    const struct {
        const char* name;
        long* field;
    } values[] = {{QVL_SETTING_WIDTH, &stored.width},
                  {QVL_SETTING_HEIGHT, &stored.height},
                  {QVL_SETTING_FPS, &stored.fps}};
    for (const auto& v : values) {
        DWORD value = 0;
        DWORD size = sizeof(value);
        if (RegGetValueA(key.Get(), nullptr, v.name, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
            ERROR_SUCCESS) {
            *v.field = Signed(value);
        }
    }
    return stored;
}

LONG WriteMachineSettings(const CameraFormat& format) {
    return WriteSettings(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, format);
}

LONG StoreUserFormat(const CameraFormat& format) {
    if (!FrameSizeAllowed(format.width, format.height) || !RateAllowed(format.fps)) {
        return ERROR_INVALID_DATA;
    }
    return WriteUserSettings(format);
}
