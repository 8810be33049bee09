#include "registration.h"

#include "classfactory.h"
#include "dllentry.h"
#include "mapperstep.h"

#include <optional>
#include <stdio.h>
#include <string.h>

namespace {
constexpr int kTextLength = MAX_PATH;

// Closes a registry key when it goes out of scope.
class ScopedKey {
public:
    ScopedKey() = default;
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    ~ScopedKey() { Close(); }
    void Close() {
        if (key != nullptr) {
            RegCloseKey(key);
            key = nullptr;
        }
    }
    HKEY* Out() { return &key; }
    HKEY Get() const { return key; }

private:
    HKEY key = nullptr;
};

HRESULT FromWin32(LONG error) {
    return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(error));
}

// Text for the ANSI registry calls, in the ANSI code page the module path came from.
template <int N> HRESULT ToAnsi(const WCHAR* text, char (&out)[N]) {
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, out, N, nullptr, nullptr) == 0) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    return S_OK;
}

// "CLSID\{XXXXXXXX-...}" for a class identifier.
HRESULT ClassKeyName(REFCLSID clsid, char (&out)[kTextLength]) {
    WCHAR guid[40];
    char guidText[40];
    if (StringFromGUID2(clsid, guid, 40) == 0) {
        return E_FAIL;
    }
    const HRESULT hr = ToAnsi(guid, guidText);
    if (SUCCEEDED(hr)) {
        snprintf(out, kTextLength, "CLSID\\%s", guidText);
    }
    return hr;
}

HRESULT SetDefaultValue(HKEY key, const char* text) {
    return FromWin32(
        RegSetValueA(key, nullptr, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1)));
}

HRESULT MapperResult(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ? S_OK : hr;
}

HRESULT RegisterOldMapperPins(const AMOVIESETUP_FILTER* setup, IFilterMapper* mapper) {
    HRESULT hr = S_OK;
    for (UINT p = 0; p < setup->nPins && SUCCEEDED(hr); ++p) {
        const REGFILTERPINS& pin = setup->lpPin[p];
        hr = mapper->RegisterPin(*setup->clsID, pin.strName, pin.bRendered, pin.bOutput, pin.bZero,
                                 pin.bMany, *pin.clsConnectsToFilter, pin.strConnectsToPin);
        for (UINT t = 0; t < pin.nMediaTypes && SUCCEEDED(hr); ++t) {
            hr = mapper->RegisterPinType(*setup->clsID, pin.strName,
                                         *pin.lpMediaType[t].clsMajorType,
                                         *pin.lpMediaType[t].clsMinorType);
        }
    }
    return hr;
}

// The mapper step: every row with setup data, through the newer mapper when it exists.
HRESULT RegisterAllFilters(BOOL registering, CFilterMapperStep* given) {
    std::optional<CFilterMapperStep> own;
    CFilterMapperStep* mapper = given;
    if (mapper == nullptr) {
        mapper = &own.emplace(CFilterMapperStep::newerFirst);
    }
    HRESULT hr = mapper->Created();
    for (int i = 0; i < g_cTemplates && SUCCEEDED(hr); ++i) {
        const AMOVIESETUP_FILTER* setup = g_Templates[i].setupData;
        if (setup != nullptr) {
            hr = mapper->Apply(setup, registering);
        }
    }
    return hr;
}
} // namespace

HRESULT AMovieDllRegisterServer2(BOOL registering, CFilterMapperStep* mapper) {
    char pathA[kTextLength];
    const DWORD length = GetModuleFileNameA(ModuleInstance(), pathA, kTextLength);
    if (length == 0) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    // A truncated path would register a server that does not exist.
    if (length >= static_cast<DWORD>(kTextLength)) {
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    }
    WCHAR path[kTextLength];
    if (MultiByteToWideChar(CP_ACP, 0, pathA, -1, path, kTextLength) == 0) {
        return HRESULT_FROM_WIN32(GetLastError());
    }

    HRESULT hr = S_OK;
    if (registering) {
        hr = RegisterAllServers(path, TRUE);
    }
    if (SUCCEEDED(hr)) {
        hr = RegisterAllFilters(registering, mapper);
    }
    // COM keys go last on the way out, and stay when the mapper entry could not be removed.
    if (SUCCEEDED(hr) && !registering) {
        hr = RegisterAllServers(path, FALSE);
    }
    return hr;
}

HRESULT RegisterAllServers(const WCHAR* fileName, BOOL registering) {
    for (int i = 0; i < g_cTemplates; ++i) {
        const CFactoryTemplate& row = g_Templates[i];
        const HRESULT hr = registering ? AMovieSetupRegisterServer(*row.clsid, row.name, fileName,
                                                                   L"Both", L"InprocServer32")
                                       : AMovieSetupUnregisterServer(*row.clsid);
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT AMovieSetupRegisterServer(REFCLSID clsid, const WCHAR* description, const WCHAR* fileName,
                                  const WCHAR* threadingModel, const WCHAR* serverType) {
    char text[kTextLength];
    HRESULT hr = ClassKeyName(clsid, text);
    if (FAILED(hr)) {
        return hr;
    }
    ScopedKey classKey;
    hr = FromWin32(RegCreateKeyA(HKEY_CLASSES_ROOT, text, classKey.Out()));
    if (FAILED(hr)) {
        return hr;
    }
    hr = ToAnsi(description, text);
    if (SUCCEEDED(hr)) {
        hr = SetDefaultValue(classKey.Get(), text);
    }
    if (FAILED(hr)) {
        return hr;
    }
    hr = ToAnsi(serverType, text);
    if (FAILED(hr)) {
        return hr;
    }
    ScopedKey serverKey;
    hr = FromWin32(RegCreateKeyA(classKey.Get(), text, serverKey.Out()));
    if (FAILED(hr)) {
        return hr;
    }
    hr = ToAnsi(fileName, text);
    if (SUCCEEDED(hr)) {
        hr = SetDefaultValue(serverKey.Get(), text);
    }
    if (FAILED(hr)) {
        return hr;
    }
    hr = ToAnsi(threadingModel, text);
    if (FAILED(hr)) {
        return hr;
    }
    return FromWin32(RegSetValueExA(serverKey.Get(), "ThreadingModel", 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text),
                                    static_cast<DWORD>(strlen(text) + 1)));
}

HRESULT AMovieSetupUnregisterServer(REFCLSID clsid) {
    char name[kTextLength];
    if (SUCCEEDED(ClassKeyName(clsid, name))) {
        EliminateSubKey(HKEY_CLASSES_ROOT, name);
    }
    return S_OK;
}

HRESULT EliminateSubKey(HKEY parent, const char* subKey) {
    if (subKey == nullptr || subKey[0] == '\0') {
        return E_FAIL;
    }
    ScopedKey key;
    if (RegOpenKeyExA(parent, subKey, 0, MAXIMUM_ALLOWED, key.Out()) != ERROR_SUCCESS) {
        return S_OK;
    }
    // A sub-key that survives its removal keeps its place in the enumeration; step past it
    // so that the loop ends and its later siblings are still removed.
    DWORD index = 0;
    char attempted[kTextLength] = "";
    for (;;) {
        char name[kTextLength];
        DWORD nameLength = kTextLength;
        if (RegEnumKeyExA(key.Get(), index, name, &nameLength, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS) {
            break;
        }
        if (strcmp(name, attempted) == 0) {
            ++index;
            attempted[0] = '\0';
            continue;
        }
        EliminateSubKey(key.Get(), name);
        memcpy(attempted, name, nameLength + 1);
    }
    key.Close();
    RegDeleteKeyA(parent, subKey);
    return S_OK;
}

HRESULT AMovieSetupRegisterFilter2(const AMOVIESETUP_FILTER* setup, IFilterMapper2* mapper,
                                   BOOL registering) {
    if (setup == nullptr) {
        return S_FALSE;
    }
    HRESULT hr = mapper->UnregisterFilter(nullptr, nullptr, *setup->clsID);
    if (registering) {
        REGFILTER2 filter = {};
        filter.dwVersion = 1;
        filter.dwMerit = setup->dwMerit;
        filter.cPins = setup->nPins;
        filter.rgPins = setup->lpPin;
        hr = mapper->RegisterFilter(*setup->clsID, setup->strName, nullptr, nullptr, nullptr,
                                    &filter);
    }
    return MapperResult(hr);
}

HRESULT AMovieSetupRegisterFilter(const AMOVIESETUP_FILTER* setup, IFilterMapper* mapper,
                                  BOOL registering) {
    if (setup == nullptr) {
        return S_FALSE;
    }
    HRESULT hr = mapper->UnregisterFilter(*setup->clsID);
    if (registering) {
        hr = mapper->RegisterFilter(*setup->clsID, setup->strName, setup->dwMerit);
        if (SUCCEEDED(hr)) {
            hr = RegisterOldMapperPins(setup, mapper);
        }
    }
    return MapperResult(hr);
}
