#pragma once
// What Windows 11's mfvirtualcamera.h declares and mingw-w64 lacks, as far as this code uses
// it, written from Microsoft's documentation of that header (Windows build 22000 and later).
// The functions live in mfsensorgroup.dll, which older Windows lacks: they are looked up at
// run time, so only their types are declared here, never an import.
#include <mfidl.h>
#include <mfobjects.h>

#include <devpropdef.h> // after the Windows types it builds on

enum MFVirtualCameraType { MFVirtualCameraType_SoftwareCameraSource = 0 };
enum MFVirtualCameraLifetime {
    MFVirtualCameraLifetime_Session = 0,
    MFVirtualCameraLifetime_System = 1
};
enum MFVirtualCameraAccess {
    MFVirtualCameraAccess_CurrentUser = 0,
    MFVirtualCameraAccess_AllUsers = 1
};

// Only handed around by the methods below; never used here.
struct IMFCameraSyncObject;

// The methods in their documented order after IMFAttributes'; this code calls Start, Remove
// and Shutdown.
struct IMFVirtualCamera : public IMFAttributes {
    virtual HRESULT STDMETHODCALLTYPE AddDeviceSourceInfo(LPCWSTR deviceSourceInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddProperty(const DEVPROPKEY* key, DEVPROPTYPE type,
                                                  const BYTE* data, ULONG size) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddRegistryEntry(LPCWSTR entryName, LPCWSTR subkeyPath,
                                                       DWORD regType, const BYTE* data,
                                                       ULONG size) = 0;
    virtual HRESULT STDMETHODCALLTYPE Start(IMFAsyncCallback* callback) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stop() = 0;
    virtual HRESULT STDMETHODCALLTYPE Remove() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMediaSource(IMFMediaSource** source) = 0;
    virtual HRESULT STDMETHODCALLTYPE SendCameraProperty(REFGUID propertySet, ULONG propertyId,
                                                         ULONG propertyFlags, void* payload,
                                                         ULONG payloadSize, void* data,
                                                         ULONG dataSize, ULONG* written) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSyncEvent(REFGUID eventSet, ULONG eventId,
                                                      ULONG eventFlags, HANDLE event,
                                                      IMFCameraSyncObject** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateSyncSemaphore(REFGUID eventSet, ULONG eventId,
                                                          ULONG eventFlags, HANDLE semaphore,
                                                          LONG adjustment,
                                                          IMFCameraSyncObject** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE Shutdown() = 0;
};

// MFCreateVirtualCamera and MFIsVirtualCameraTypeSupported, as looked up in mfsensorgroup.dll.
using MFCreateVirtualCameraFn = HRESULT(WINAPI*)(MFVirtualCameraType type,
                                                 MFVirtualCameraLifetime lifetime,
                                                 MFVirtualCameraAccess access, LPCWSTR friendlyName,
                                                 LPCWSTR sourceId, const GUID* categories,
                                                 ULONG categoryCount, IMFVirtualCamera** camera);
using MFIsVirtualCameraTypeSupportedFn = HRESULT(WINAPI*)(MFVirtualCameraType type,
                                                          BOOL* supported);
