#include "camera_settings.h"

#include "qvl_protocol.h"

#include <windows.h>

namespace {

// One REG_DWORD value of the settings key under `root`; false when it is not there.
bool ReadValue(HKEY root, const char* name, DWORD* value) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, QVL_SETTINGS_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD size = sizeof(*value);
    const LONG status =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(*value);
}

int Setting(const char* name, int fallback) {
    DWORD value = 0;
    if (ReadValue(HKEY_CURRENT_USER, name, &value) || ReadValue(HKEY_LOCAL_MACHINE, name, &value)) {
        return static_cast<int>(value); // the camera reads the same 32 bits as a signed value
    }
    return fallback;
}

} // namespace

qvl_camera_format ReadCameraFormat() {
    qvl_camera_format format;
    format.width = Setting(QVL_SETTING_WIDTH, QVL_DEFAULT_WIDTH);
    format.height = Setting(QVL_SETTING_HEIGHT, QVL_DEFAULT_HEIGHT);
    format.fps = Setting(QVL_SETTING_FPS, QVL_DEFAULT_FPS);
    if (format.width <= 0 || format.height <= 0 || FrameBytes(format) > QVL_MAX_FRAME_BYTES) {
        format.width = QVL_DEFAULT_WIDTH;
        format.height = QVL_DEFAULT_HEIGHT;
    }
    if (format.fps <= 0 || format.fps > QVL_MAX_FPS) {
        format.fps = QVL_DEFAULT_FPS;
    }
    return format;
}

unsigned long long FrameBytes(const qvl_camera_format& format) {
    // Both sides are below 2^31, so the product cannot overflow 64 bits.
    return static_cast<unsigned long long>(format.width) *
           static_cast<unsigned long long>(format.height) * QVL_BYTES_PER_PIXEL;
}
