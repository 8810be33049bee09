#pragma once
// `qvl_register status`: where the camera is registered, as this bitness's registry view
// sees it, and what the module file is.
#include <string>

void PrintStatus(const std::wstring& dllPath);

// 32 or 64 from the module file's header; 0 when it is missing or not a Windows module.
int ModuleBitness(const std::wstring& path);
