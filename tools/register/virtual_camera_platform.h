#pragma once
// Windows 11's software cameras, reached at run time: MFCreateVirtualCamera and
// MFIsVirtualCameraTypeSupported from mfsensorgroup.dll, and the few Media Foundation
// functions around them. Nothing is imported, so qvl_register still starts where they are
// missing (Windows 10, Wine, and Windows N editions without their media pack).
#include "mfvirtualcamera_api.h"

#include "loaded_library.h"

class VirtualCameraPlatform {
public:
    // Looks the functions up and starts Media Foundation when they are all there.
    VirtualCameraPlatform();
    ~VirtualCameraPlatform();
    VirtualCameraPlatform(const VirtualCameraPlatform&) = delete;
    VirtualCameraPlatform& operator=(const VirtualCameraPlatform&) = delete;

    // True when every function was found and the platform supports software cameras.
    bool Available() const { return available; }
    // The camera as this tool registers it: a software camera of the media source's class, for
    // all users, kept across restarts, named QVL_CAMERA_FRIENDLY_NAME. Call Start on a new one
    // or Remove on one that exists, then Shutdown.
    HRESULT Create(IMFVirtualCamera** camera) const;
    // Whether the system lists a video capture device whose name begins with the camera's
    // (Windows adds its own words to it).
    HRESULT Listed(bool* listed) const;

private:
    using StartupFn = HRESULT(WINAPI*)(ULONG, DWORD);
    using ShutdownFn = HRESULT(WINAPI*)();
    using CreateAttributesFn = HRESULT(WINAPI*)(IMFAttributes**, UINT32);
    using EnumDeviceSourcesFn = HRESULT(WINAPI*)(IMFAttributes*, IMFActivate***, UINT32*);

    const CLoadedLibrary sensorGroup{L"mfsensorgroup.dll"};
    const CLoadedLibrary platform{L"mfplat.dll"};
    const CLoadedLibrary foundation{L"mf.dll"};
    MFCreateVirtualCameraFn createVirtualCamera = nullptr;
    StartupFn startup = nullptr;
    ShutdownFn shutdown = nullptr;
    CreateAttributesFn createAttributes = nullptr;
    EnumDeviceSourcesFn enumDeviceSources = nullptr;
    bool available = false;
};
