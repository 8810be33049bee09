#pragma once
// The camera module's own registration entry points, loaded from its file.
#include "scope.h"

#include <windows.h>

#include <string>

class ModuleEntries {
public:
    explicit ModuleEntries(const std::wstring& path);
    ~ModuleEntries();
    ModuleEntries(const ModuleEntries&) = delete;
    ModuleEntries& operator=(const ModuleEntries&) = delete;

    // ERROR_SUCCESS once the module is loaded and exports all three entry points; else the
    // loader's error, or ERROR_PROC_NOT_FOUND.
    DWORD Error() const { return error; }

    // DllRegisterServer for the machine, DllInstall(TRUE, L"user") for the user.
    HRESULT Register(Scope scope) const;
    // DllUnregisterServer for the machine, DllInstall(FALSE, L"user") for the user.
    HRESULT Unregister(Scope scope) const;

private:
    using ServerFn = HRESULT(STDAPICALLTYPE*)();
    using InstallFn = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);

    HMODULE module = nullptr;
    DWORD error = ERROR_SUCCESS;
    ServerFn registerServer = nullptr;
    ServerFn unregisterServer = nullptr;
    InstallFn install = nullptr;
};
