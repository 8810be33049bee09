#include "dllentry.h"

#include "classfactory.h"

namespace {
HINSTANCE moduleInstance = nullptr;
}

HINSTANCE ModuleInstance() {
    return moduleInstance;
}

void DllInitClasses(BOOL loading) {
    for (int i = 0; i < g_cTemplates; ++i) {
        if (g_Templates[i].initRoutine != nullptr) {
            g_Templates[i].initRoutine(loading, g_Templates[i].clsid);
        }
    }
}

BOOL WINAPI DllEntryPoint(HINSTANCE module, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        DisableThreadLibraryCalls(module);
        moduleInstance = module;
        DllInitClasses(TRUE);
        break;
    case DLL_PROCESS_DETACH:
        DllInitClasses(FALSE);
        break;
    default:
        break;
    }
    return TRUE;
}
