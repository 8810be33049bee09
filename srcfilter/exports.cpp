// The module's exported entry points (undecorated names come from srcfilter.def).
#include "dllentry.h"

#include <objbase.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    return DllEntryPoint(module, reason, reserved);
}

// Registration is not built yet.
STDAPI DllRegisterServer() { return E_NOTIMPL; }
STDAPI DllUnregisterServer() { return E_NOTIMPL; }
STDAPI DllInstall(BOOL, LPCWSTR) { return E_NOTIMPL; }
