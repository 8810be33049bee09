#include "virtual_camera_installer.h"

#include "com_owners.h"
#include "installer.h"
#include "qvl_protocol.h"
#include "status_report.h"

#include <cstdio>

const char kNeedsWindows11[] = "needs Windows 11 (build 22000 or later)";

namespace {
void Fail(const char* what, HRESULT hr, const char* outcome) {
    std::fprintf(stderr, "qvl_register: %s failed: %s; %s\n", what, Describe(hr).c_str(), outcome);
}

// One call on the camera as this tool registers it, then its Shutdown, which frees the
// object's resources and leaves a camera of system lifetime in place.
template <typename Call> HRESULT OnCamera(const VirtualCameraPlatform& platform, Call call) {
    ComPtr<IMFVirtualCamera> camera;
    HRESULT hr = platform.Create(camera.GetAddressOf());
    if (SUCCEEDED(hr)) {
        hr = call(camera.Get());
        camera->Shutdown();
    }
    return hr;
}

// A camera the system still lists must keep its class: it is never left pointing to nothing.
bool StillListed(const VirtualCameraPlatform& platform) {
    bool listed = true;
    return FAILED(platform.Listed(&listed)) || listed;
}
} // namespace

int InstallVirtualCamera(const VirtualCameraPlatform& platform, const ModuleEntries& module) {
    HRESULT hr = module.Register(Scope::Machine);
    if (FAILED(hr)) {
        module.Unregister(Scope::Machine); // DllRegisterServer leaves what it wrote
        Fail("registering the media source's class", hr, "nothing is registered");
        return 1;
    }
    hr = OnCamera(platform, [](IMFVirtualCamera* camera) { return camera->Start(nullptr); });
    if (FAILED(hr)) {
        if (StillListed(platform)) {
            Fail("starting the Windows 11 camera", hr, "an earlier one stays, with its class");
        } else {
            module.Unregister(Scope::Machine);
            Fail("starting the Windows 11 camera", hr, "the class's registration is undone");
        }
        return 1;
    }
    std::printf("qvl_register: Windows 11 camera installed for all users: \"%s\" (Windows adds "
                "its own words to the name)\n",
                QVL_CAMERA_FRIENDLY_NAME);
    return 0;
}

int UninstallVirtualCamera(const VirtualCameraPlatform& platform, const ModuleEntries& module) {
    // The camera goes first, so that none is ever listed without its class. Removing one that
    // is not there fails; then there is nothing to remove.
    HRESULT hr = OnCamera(platform, [](IMFVirtualCamera* camera) { return camera->Remove(); });
    if (FAILED(hr) && StillListed(platform)) {
        Fail("removing the Windows 11 camera", hr, "nothing was removed");
        return 1;
    }
    hr = module.Unregister(Scope::Machine);
    if (FAILED(hr)) {
        Fail("unregistering the media source's class", hr,
             "the camera is gone, but its class stays registered");
        return 1;
    }
    std::printf("qvl_register: Windows 11 camera uninstalled\n");
    return 0;
}

void PrintVirtualCameraStatus(const VirtualCameraPlatform& platform, const std::wstring& dllPath) {
    PrintModuleFile(dllPath);
    bool listed = false;
    if (!platform.Available()) {
        std::printf("%-24s %s\n", "Windows 11 camera:", kNeedsWindows11);
    } else if (FAILED(platform.Listed(&listed))) {
        std::printf("%-24s %s\n", "Windows 11 camera:", "cannot tell");
    } else {
        std::printf("%-24s %s\n", "Windows 11 camera:", listed ? "listed" : "no");
    }
    PrintClassKey("class key, machine:", HKEY_LOCAL_MACHINE, L"" QVL_MF_SOURCE_CLSID_STRING,
                  KEY_WOW64_64KEY);
}
