#pragma once
// The module's load and unload handling.
#include <windows.h>

BOOL WINAPI DllEntryPoint(HINSTANCE module, DWORD reason, LPVOID reserved);
void DllInitClasses(BOOL loading);
HINSTANCE ModuleInstance();
