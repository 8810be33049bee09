#include "media_source_host.h"

#include "qvl_protocol.h"
#include "registry_key.h"

ComPtr<IMFMediaSource> LoadMediaSource(const char* dllPath, HRESULT* hr) {
    static const HMODULE module = LoadLibraryA(dllPath);
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const auto get = module != nullptr ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(
                                             GetProcAddress(module, "DllGetClassObject")))
                                       : nullptr;
    const CLSID clsid = QVL_MF_SOURCE_CLSID_INIT;
    ComPtr<IClassFactory> factory;
    ComPtr<IMFMediaSource> source;
    HRESULT result = get != nullptr ? get(clsid, IID_PPV_ARGS(&factory)) : E_FAIL;
    if (SUCCEEDED(result)) {
        result = factory->CreateInstance(nullptr, IID_PPV_ARGS(&source));
    }
    if (hr != nullptr) {
        *hr = result;
    }
    return source;
}

MachineFormatScope::MachineFormatScope(DWORD width, DWORD height, DWORD fps) {
    HKEY opened = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, QVL_SETTINGS_KEY, 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &opened,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    const CRegistryKey key(opened);
    const char* names[] = {QVL_SETTING_WIDTH, QVL_SETTING_HEIGHT, QVL_SETTING_FPS};
    const DWORD values[] = {width, height, fps};
    for (int i = 0; i < 3; ++i) {
        RegSetValueExA(key.Get(), names[i], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&values[i]),
                       sizeof(DWORD));
    }
}

MachineFormatScope::~MachineFormatScope() {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, QVL_SETTINGS_KEY, KEY_WOW64_64KEY, 0);
}
