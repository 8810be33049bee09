#pragma once
// Obtains the camera filter as a capture program would: by its friendly name among the video
// input devices; else by its class identifier; or, for an unregistered build, straight from
// the module file.
#include <dshow.h>
#include <wrl/client.h>

#include <string>

class CameraSource {
public:
    CameraSource() = default;
    // Unloads the module, if it was loaded here and no longer serves any object.
    ~CameraSource();
    CameraSource(const CameraSource&) = delete;
    CameraSource& operator=(const CameraSource&) = delete;

    // The video input device named like the camera; else CoCreateInstance by class
    // identifier; when both fail and `dllPath` is not empty, the module's DllGetClassObject.
    // `forceDll` skips the registration.
    HRESULT Create(const std::wstring& dllPath, bool forceDll,
                   Microsoft::WRL::ComPtr<IBaseFilter>& filter);
    // How the filter was obtained, for the report.
    const char* Origin() const { return origin; }

private:
    HRESULT FromDeviceEnumerator(Microsoft::WRL::ComPtr<IBaseFilter>& filter);
    HRESULT FromModule(const std::wstring& dllPath, Microsoft::WRL::ComPtr<IBaseFilter>& filter);

    HMODULE module = nullptr;
    const char* origin = "none";
};
