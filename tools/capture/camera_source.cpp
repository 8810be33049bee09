#include "camera_source.h"

#include "graph_kit.h"

using Microsoft::WRL::ComPtr;

namespace {
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// GetProcAddress hands back a generic function pointer; the export's real type is known.
template <typename Fn> Fn Export(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
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
    if (!forceDll) {
        hr = CoCreateInstance(graphkit::CLSID_CameraFilter, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IBaseFilter,
                              reinterpret_cast<void**>(filter.ReleaseAndGetAddressOf()));
        if (SUCCEEDED(hr)) {
            origin = "registered class (CoCreateInstance)";
            return hr;
        }
    }
    if (dllPath.empty()) {
        return hr;
    }
    return FromModule(dllPath, filter);
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
