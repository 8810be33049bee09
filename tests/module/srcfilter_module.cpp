#include "srcfilter_module.h"

// The build passes the DLL's host path; Wine maps the host's root to drive Z:.
#ifndef SRCFILTER_DLL
#error "SRCFILTER_DLL must name the built srcfilter.dll"
#endif

const CLSID kCameraClass = {
    0xd7a2ce2f, 0x8221, 0x4b80, {0xb0, 0x86, 0xb7, 0x95, 0xd9, 0xc8, 0x45, 0xf6}};

namespace {
std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

template <typename Function> void Resolve(HMODULE module, const char* name, Function* out) {
    *out = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
} // namespace

SrcFilterModule::SrcFilterModule() : module(LoadLibraryA(WindowsPath(SRCFILTER_DLL).c_str())) {
    if (module == nullptr) {
        return;
    }
    Resolve(module, "DllRegisterServer", &registerServer);
    Resolve(module, "DllUnregisterServer", &unregisterServer);
    Resolve(module, "DllInstall", &install_);
    if (registerServer == nullptr || unregisterServer == nullptr || install_ == nullptr) {
        FreeLibrary(module);
        module = nullptr;
    }
}

SrcFilterModule::~SrcFilterModule() {
    if (module != nullptr) {
        FreeLibrary(module);
    }
}

std::string SrcFilterModule::Path() const {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}
