#pragma once
// The media source's class key for the machine: HKLM\Software\Classes\CLSID\{class id}, with
// InprocServer32 naming this DLL (ThreadingModel Both), in the registry view of the module's
// own bitness (the 64-bit view for the x64 DLL, where the Frame Server looks).
#include <windows.h>

HRESULT RegisterSourceClass(HMODULE module);
HRESULT UnregisterSourceClass();
