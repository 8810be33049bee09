#include "camera_source.h"

#include "graph_kit.h"
#include "qvl_protocol.h"

#include <cwchar>

using Microsoft::WRL::ComPtr;

namespace {
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// GetProcAddress hands back a generic function pointer; the export's real type is known.
template <typename Fn> Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Whether a device's property bag names it like the camera.
bool NamedLikeCamera(IMoniker* device) {
    ComPtr<IPropertyBag> properties;
    if (FAILED(device->BindToStorage(nullptr, nullptr, IID_IPropertyBag,
                                     reinterpret_cast<void**>(properties.GetAddressOf())))) {
        return false;
    }
    VARIANT name;
    VariantInit(&name);
    const bool same = SUCCEEDED(properties->Read(L"FriendlyName", &name, nullptr)) &&
                      name.vt == VT_BSTR &&
                      std::wcscmp(name.bstrVal, L"" QVL_CAMERA_FRIENDLY_NAME) == 0;
    VariantClear(&name);
    return same;
}
} // namespace

CameraSource::~CameraSource() {
    if (module == nullptr) {
        return;
    }
    const auto canUnload = Export<CanUnloadNowFn>(module, "DllCanUnloadNow");
    if (canUnload != nullptr && canUnload() == S_OK) {
        FreeLibrary(module);
    }
}

HRESULT CameraSource::Create(const std::wstring& dllPath, bool forceDll,
                             ComPtr<IBaseFilter>& filter) {
    HRESULT hr = REGDB_E_CLASSNOTREG;
    if (!forceDll && SUCCEEDED(FromDeviceEnumerator(filter))) {
        origin = "video input device \"" QVL_CAMERA_FRIENDLY_NAME "\" (device enumerator)";
        return S_OK;
    }
    if (!forceDll) {
        hr = CoCreateInstance(graphkit::CLSID_CameraFilter, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IBaseFilter,
                              reinterpret_cast<void**>(filter.ReleaseAndGetAddressOf()));
        if (SUCCEEDED(hr)) {
            origin =
                "registered class (CoCreateInstance; not listed among the video input devices)";
            return hr;
        }
    }
    if (dllPath.empty()) {
        return hr;
    }
    return FromModule(dllPath, filter);
}

HRESULT CameraSource::FromDeviceEnumerator(ComPtr<IBaseFilter>& filter) {
    ComPtr<ICreateDevEnum> devices;
    HRESULT hr =
        CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                         reinterpret_cast<void**>(devices.GetAddressOf()));
    ComPtr<IEnumMoniker> cameras;
    if (SUCCEEDED(hr)) {
        // S_FALSE: the category is empty.
        hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, cameras.GetAddressOf(),
                                            0);
    }
    if (hr != S_OK) {
        return FAILED(hr) ? hr : VFW_E_NOT_FOUND;
    }
    ComPtr<IMoniker> device;
    while (cameras->Next(1, device.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
        if (NamedLikeCamera(device.Get())) {
            return device->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                        reinterpret_cast<void**>(filter.ReleaseAndGetAddressOf()));
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CameraSource::FromModule(const std::wstring& dllPath, ComPtr<IBaseFilter>& filter) {
    if (module == nullptr) {
        module = LoadLibraryW(dllPath.c_str());
    }
    if (module == nullptr) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    const auto getClassObject = Export<GetClassObjectFn>(module, "DllGetClassObject");
    if (getClassObject == nullptr) {
        return E_NOINTERFACE;
    }
    ComPtr<IClassFactory> factory;
    HRESULT hr = getClassObject(graphkit::CLSID_CameraFilter, IID_IClassFactory,
                                reinterpret_cast<void**>(factory.GetAddressOf()));
    if (FAILED(hr)) {
        return hr;
    }
    hr = factory->CreateInstance(nullptr, IID_IBaseFilter,
                                 reinterpret_cast<void**>(filter.ReleaseAndGetAddressOf()));
    if (SUCCEEDED(hr)) {
        origin = "module file (DllGetClassObject, unregistered)";
    }
    return hr;
}
