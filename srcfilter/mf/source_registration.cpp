#include "source_registration.h"

#include "qvl_protocol.h"

#define QVL_WIDEN2(text) L##text
#define QVL_WIDEN(text) QVL_WIDEN2(text)

namespace {

constexpr REGSAM ownView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
constexpr wchar_t classesKey[] = L"Software\\Classes\\CLSID";
constexpr wchar_t classKey[] = L"Software\\Classes\\CLSID\\" QVL_WIDEN(QVL_MF_SOURCE_CLSID_STRING);

LONG SetString(HKEY key, const wchar_t* name, const wchar_t* value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(wchar_t)));
}

LONG WriteClass(const wchar_t* path) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyExW(HKEY_LOCAL_MACHINE, classKey, 0, nullptr, 0, KEY_WRITE | ownView,
                                  nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    result = SetString(key, nullptr, QVL_WIDEN(QVL_CAMERA_FRIENDLY_NAME));
    HKEY server = nullptr;
    if (result == ERROR_SUCCESS) {
        result = RegCreateKeyExW(key, L"InprocServer32", 0, nullptr, 0, KEY_WRITE | ownView,
                                 nullptr, &server, nullptr);
    }
    if (result == ERROR_SUCCESS) {
        result = SetString(server, nullptr, path);
        if (result == ERROR_SUCCESS) {
            result = SetString(server, L"ThreadingModel", L"Both");
        }
        RegCloseKey(server);
    }
    RegCloseKey(key);
    return result;
}

} // namespace

HRESULT RegisterSourceClass(HMODULE module) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return E_FAIL;
    }
    const LONG result = WriteClass(path);
    if (result != ERROR_SUCCESS) {
        UnregisterSourceClass(); // nothing half written stays
        return HRESULT_FROM_WIN32(result);
    }
    return S_OK;
}

HRESULT UnregisterSourceClass() {
    HKEY classes = nullptr;
    LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, classesKey, 0,
                                KEY_READ | KEY_WRITE | DELETE | ownView, &classes);
    if (result == ERROR_SUCCESS) {
        result = RegDeleteTreeW(classes, QVL_WIDEN(QVL_MF_SOURCE_CLSID_STRING));
        RegCloseKey(classes);
    }
    // Already gone is done.
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? S_OK
                                                                     : HRESULT_FROM_WIN32(result);
}
