// The module's exported entry points (undecorated names come from srcfilter_mf.def).
#include "class_factory.h"
#include "module_count.h"
#include "qvl_protocol.h"
#include "source_registration.h"

namespace {
HMODULE thisModule = nullptr;
SourceFactory factory;
constexpr CLSID sourceClass = QVL_MF_SOURCE_CLSID_INIT;
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        thisModule = module;
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    return clsid == sourceClass ? factory.QueryInterface(riid, out) : CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() {
    return ModuleCount::Idle() ? S_OK : S_FALSE;
}

STDAPI DllRegisterServer() {
    return RegisterSourceClass(thisModule);
}

STDAPI DllUnregisterServer() {
    return UnregisterSourceClass();
}
