#pragma once
// Obtains the camera filter as a client would: through its registration, or, for an
// unregistered build, straight from the module file.
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

    // CoCreateInstance by class identifier; when that fails and `dllPath` is not empty, the
    // module's DllGetClassObject. `forceDll` skips the registration.
    HRESULT Create(const std::wstring& dllPath, bool forceDll,
                   Microsoft::WRL::ComPtr<IBaseFilter>& filter);
    // How the filter was obtained, for the report.
    const char* Origin() const { return origin; }

private:
    HRESULT FromModule(const std::wstring& dllPath, Microsoft::WRL::ComPtr<IBaseFilter>& filter);

    HMODULE module = nullptr;
    const char* origin = "none";
};
