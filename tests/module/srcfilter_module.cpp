#include "srcfilter_module.h"

#include "host_path.h"
#include "qvl_protocol.h"

// The build passes the DLL's host path; Wine maps the host's root to drive Z:.
#ifndef SRCFILTER_DLL
#error "SRCFILTER_DLL must name the built srcfilter.dll"
#endif

const CLSID kCameraClass = QVL_CAMERA_CLSID_INIT;

namespace {
template <typename Function> void Resolve(HMODULE module, const char* name, Function* out) {
    *out = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
} // namespace

SrcFilterModule::SrcFilterModule()
    : module(LoadLibraryA(WindowsPathOfHost(SRCFILTER_DLL).c_str())) {
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
