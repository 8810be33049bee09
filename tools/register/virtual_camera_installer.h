#pragma once
// qvl_register mfcamera install|uninstall|status: the Windows 11 camera, a software camera
// whose media source is the class of srcfilter_mf.dll. Install registers the class for the
// machine, then has the system create the camera for all users, kept across restarts;
// uninstall removes the camera, then the class. Each returns the process exit status.
#include "module_entries.h"
#include "virtual_camera_platform.h"

// The media source's module, as the build names it, looked for beside this program.
#define QVL_MF_SOURCE_DLL "srcfilter_mf.dll"

// What every refusal on a platform without software cameras says.
extern const char kNeedsWindows11[];

int InstallVirtualCamera(const VirtualCameraPlatform& platform, const ModuleEntries& module);
int UninstallVirtualCamera(const VirtualCameraPlatform& platform, const ModuleEntries& module);
void PrintVirtualCameraStatus(const VirtualCameraPlatform& platform, const std::wstring& dllPath);
