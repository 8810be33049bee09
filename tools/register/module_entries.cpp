#include "module_entries.h"

namespace {
// GetProcAddress hands back a generic function pointer; the export's real type is known.
template <typename Fn> Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
} // namespace

ModuleEntries::ModuleEntries(const std::wstring& path) {
    module = LoadLibraryW(path.c_str());
    if (module == nullptr) {
        error = GetLastError();
        return;
    }
    registerServer = Export<ServerFn>(module, "DllRegisterServer");
    unregisterServer = Export<ServerFn>(module, "DllUnregisterServer");
    install = Export<InstallFn>(module, "DllInstall");
    if (registerServer == nullptr || unregisterServer == nullptr || install == nullptr) {
        error = ERROR_PROC_NOT_FOUND;
    }
}

ModuleEntries::~ModuleEntries() {
    if (module != nullptr) {
        FreeLibrary(module);
    }
}

HRESULT ModuleEntries::Register(Scope scope) const {
    if (error != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(error);
    }
    return scope == Scope::Machine ? registerServer() : install(TRUE, L"user");
}

HRESULT ModuleEntries::Unregister(Scope scope) const {
    if (error != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(error);
    }
    return scope == Scope::Machine ? unregisterServer() : install(FALSE, L"user");
}
