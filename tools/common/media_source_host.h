#pragma once
// The Windows 11 camera as the tests and the benchmark host it: its media source made through
// the built DLL's own class factory, and the machine's format (which it reads) for a scope.
#include "com_owners.h"

#include <windows.h>

#include <mfidl.h>

// A media source made through the exported class factory of the DLL at `dllPath`. The DLL is
// loaded once, from the first path given, and kept, as a host keeps an in-process server.
ComPtr<IMFMediaSource> LoadMediaSource(const char* dllPath, HRESULT* hr = nullptr);

// The machine's format (HKLM, 64-bit view) for one scope, as the installer writes it; the key
// is removed at its end.
class MachineFormatScope {
public:
    MachineFormatScope(DWORD width, DWORD height, DWORD fps);
    ~MachineFormatScope();
    MachineFormatScope(const MachineFormatScope&) = delete;
    MachineFormatScope& operator=(const MachineFormatScope&) = delete;
};
