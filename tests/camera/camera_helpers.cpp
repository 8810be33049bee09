#include "camera_helpers.h"

#include "classfactory.h"
#include "setuprecords.h"
#include "vidsrcfilter.h"

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

ComPtr<IBaseFilter> CreateCamera(HRESULT* hr) {
    ComPtr<IClassFactory> factory;
    ComPtr<IBaseFilter> camera;
    HRESULT result = DllGetClassObject(CLSID_QuovalentVideoSource, IID_PPV_ARGS(&factory));
    if (SUCCEEDED(result)) {
        result = factory->CreateInstance(nullptr, IID_PPV_ARGS(&camera));
    }
    if (hr != nullptr) {
        *hr = result;
    }
    return camera;
}

Cqvl_Stream* StreamOf(IBaseFilter* camera) {
    return static_cast<Cqvl_VidSrcFilter*>(static_cast<CBaseFilter*>(camera))->Stream();
}

ComPtr<IPin> CameraPin(IBaseFilter* camera) {
    ComPtr<IEnumPins> pins;
    ComPtr<IPin> pin;
    if (FAILED(camera->EnumPins(&pins)) || pins->Next(1, &pin, nullptr) != S_OK) {
        return nullptr;
    }
    return pin;
}

bool CameraRegionExists() {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, cameraRegionName);
    if (mapping != nullptr) {
        CloseHandle(mapping);
    }
    return mapping != nullptr;
}

SIZE_T CameraRegionBytes() {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, cameraRegionName);
    if (mapping == nullptr) {
        return 0;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    MEMORY_BASIC_INFORMATION info = {};
    const SIZE_T bytes =
        view != nullptr && VirtualQuery(view, &info, sizeof(info)) != 0 ? info.RegionSize : 0;
    if (view != nullptr) {
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return bytes;
}
