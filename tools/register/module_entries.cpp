#include "module_entries.h"

ModuleEntries::ModuleEntries(const std::wstring& path) : module(path.c_str()) {
    if (module.Get() == nullptr) {
        error = GetLastError();
        return;
    }
    registerServer = module.Export<ServerFn>("DllRegisterServer");
    unregisterServer = module.Export<ServerFn>("DllUnregisterServer");
    install = module.Export<InstallFn>("DllInstall");
    if (registerServer == nullptr || unregisterServer == nullptr) {
        error = ERROR_PROC_NOT_FOUND;
    }
}

HRESULT ModuleEntries::CanCall(Scope scope) const {
    if (error != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(error);
    }
    return scope == Scope::User && install == nullptr ? HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND)
                                                      : S_OK;
}

HRESULT ModuleEntries::Register(Scope scope) const {
    const HRESULT hr = CanCall(scope);
    if (FAILED(hr)) {
        return hr;
    }
    return scope == Scope::Machine ? registerServer() : install(TRUE, L"user");
}

HRESULT ModuleEntries::Unregister(Scope scope) const {
    const HRESULT hr = CanCall(scope);
    if (FAILED(hr)) {
        return hr;
    }
    return scope == Scope::Machine ? unregisterServer() : install(FALSE, L"user");
}
