#include "virtual_camera_platform.h"

#include "com_owners.h"
#include "qvl_protocol.h"

#include <mfapi.h>

#include <cwchar>

namespace {
// The devices MFEnumDeviceSources hands out: each activation object and the array itself are
// the caller's to free.
class DeviceList {
public:
    DeviceList() = default;
    ~DeviceList() {
        for (UINT32 i = 0; i < count; ++i) {
            devices[i]->Release();
        }
        CoTaskMemFree(devices);
    }
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;

    IMFActivate*** PutDevices() { return &devices; }
    UINT32* PutCount() { return &count; }
    UINT32 Count() const { return count; }
    IMFActivate* operator[](UINT32 i) const { return devices[i]; }

private:
    IMFActivate** devices = nullptr;
    UINT32 count = 0;
};

bool NamesTheCamera(IMFActivate* device) {
    wchar_t* name = nullptr;
    UINT32 length = 0;
    if (FAILED(device->GetAllocatedString(MF_DEVSOURCE_ATTRIBUTE_FRIENDLY_NAME, &name, &length))) {
        return false;
    }
    const wchar_t* camera = L"" QVL_CAMERA_FRIENDLY_NAME;
    const bool named = std::wcsncmp(name, camera, std::wcslen(camera)) == 0;
    CoTaskMemFree(name);
    return named;
}
} // namespace

VirtualCameraPlatform::VirtualCameraPlatform() {
    createVirtualCamera = sensorGroup.Export<MFCreateVirtualCameraFn>("MFCreateVirtualCamera");
    const auto typeSupported =
        sensorGroup.Export<MFIsVirtualCameraTypeSupportedFn>("MFIsVirtualCameraTypeSupported");
    startup = platform.Export<StartupFn>("MFStartup");
    shutdown = platform.Export<ShutdownFn>("MFShutdown");
    createAttributes = platform.Export<CreateAttributesFn>("MFCreateAttributes");
    enumDeviceSources = foundation.Export<EnumDeviceSourcesFn>("MFEnumDeviceSources");
    if (createVirtualCamera == nullptr || typeSupported == nullptr || startup == nullptr ||
        shutdown == nullptr || createAttributes == nullptr || enumDeviceSources == nullptr ||
        FAILED(startup(MF_VERSION, MFSTARTUP_NOSOCKET))) {
        return;
    }
    BOOL supported = FALSE;
    available =
        SUCCEEDED(typeSupported(MFVirtualCameraType_SoftwareCameraSource, &supported)) && supported;
    if (!available) {
        shutdown();
    }
}

VirtualCameraPlatform::~VirtualCameraPlatform() {
    if (available) {
        shutdown();
    }
}

HRESULT VirtualCameraPlatform::Create(IMFVirtualCamera** camera) const {
    if (!available) {
        return E_NOTIMPL;
    }
    return createVirtualCamera(MFVirtualCameraType_SoftwareCameraSource,
                               MFVirtualCameraLifetime_System, MFVirtualCameraAccess_AllUsers,
                               L"" QVL_CAMERA_FRIENDLY_NAME, L"" QVL_MF_SOURCE_CLSID_STRING,
                               nullptr, 0, camera);
}

HRESULT VirtualCameraPlatform::Listed(bool* listed) const {
    *listed = false;
    if (!available) {
        return E_NOTIMPL;
    }
    ComPtr<IMFAttributes> query;
    HRESULT hr = createAttributes(query.GetAddressOf(), 1);
    if (SUCCEEDED(hr)) {
        hr = query->SetGUID(MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE,
                            MF_DEVSOURCE_ATTRIBUTE_SOURCE_TYPE_VIDCAP_GUID);
    }
    DeviceList devices;
    if (SUCCEEDED(hr)) {
        hr = enumDeviceSources(query.Get(), devices.PutDevices(), devices.PutCount());
    }
    for (UINT32 i = 0; SUCCEEDED(hr) && i < devices.Count() && !*listed; ++i) {
        *listed = NamesTheCamera(devices[i]);
    }
    return hr;
}
