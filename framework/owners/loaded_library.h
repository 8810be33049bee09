#pragma once
// Owner of one library loaded at run time, freed when the owner goes; and the typed look-up
// of its exports. Header-only, like the other owners.
#include <windows.h>

class CLoadedLibrary {
public:
    explicit CLoadedLibrary(const wchar_t* name) : module(LoadLibraryW(name)) {}
    ~CLoadedLibrary() {
        if (module != nullptr) {
            FreeLibrary(module);
        }
    }
    CLoadedLibrary(const CLoadedLibrary&) = delete;
    CLoadedLibrary& operator=(const CLoadedLibrary&) = delete;

    HMODULE Get() const { return module; }
    // The export `name` as the function type the caller knows it has; null when missing.
    template <typename Fn> Fn Export(const char* name) const {
        if (module == nullptr) {
            return nullptr;
        }
        // GetProcAddress hands back a generic function pointer.
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }

private:
    HMODULE module;
};
