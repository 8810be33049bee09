#pragma once
// `qvl_register status`: where the camera is registered, as this bitness's registry view
// sees it, and what the module file is.
#include <windows.h>

#include <string>

void PrintStatus(const std::wstring& dllPath);

// One line each: the module file and its bitness; a class's server under `root` in the
// registry view `view` (0 for this bitness's own, or KEY_WOW64_64KEY).
void PrintModuleFile(const std::wstring& dllPath);
void PrintClassKey(const char* label, HKEY root, const wchar_t* clsid, REGSAM view);

// 32 or 64 from the module file's header; 0 when it is missing or not a Windows module.
int ModuleBitness(const std::wstring& path);
