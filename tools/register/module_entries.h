#pragma once
// The camera module's own registration entry points, loaded from its file.
#include "loaded_library.h"
#include "scope.h"

#include <string>

class ModuleEntries {
public:
    explicit ModuleEntries(const std::wstring& path);
    ModuleEntries(const ModuleEntries&) = delete;
    ModuleEntries& operator=(const ModuleEntries&) = delete;

    // ERROR_SUCCESS once the module is loaded and exports DllRegisterServer and
    // DllUnregisterServer; else the loader's error, or ERROR_PROC_NOT_FOUND. DllInstall, the
    // per-user entry, is only asked for when a user's registration is made or removed (the
    // Windows 11 camera's module registers for the machine only).
    DWORD Error() const { return error; }

    // DllRegisterServer for the machine, DllInstall(TRUE, L"user") for the user.
    HRESULT Register(Scope scope) const;
    // DllUnregisterServer for the machine, DllInstall(FALSE, L"user") for the user.
    HRESULT Unregister(Scope scope) const;

private:
    using ServerFn = HRESULT(STDAPICALLTYPE*)();
    using InstallFn = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);

    // S_OK when the scope's entry point is there, else why not.
    HRESULT CanCall(Scope scope) const;

    const CLoadedLibrary module;
    DWORD error = ERROR_SUCCESS;
    ServerFn registerServer = nullptr;
    ServerFn unregisterServer = nullptr;
    InstallFn install = nullptr;
};
