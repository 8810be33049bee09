#include "camera_helpers.h"

#include "classfactory.h"
#include "setuprecords.h"
#include "vidsrcfilter.h"

ComPtr<IBaseFilter> CreateCamera(HRESULT* hr) {
    ComPtr<IClassFactory> factory;
    ComPtr<IBaseFilter> camera;
    HRESULT result = DllGetClassObject(CLSID_QuovalentVideoSource, IID_PPV_ARGS(&factory));
    if (SUCCEEDED(result)) {
        result = factory->CreateInstance(nullptr, IID_PPV_ARGS(&camera));
    }
    if (hr != nullptr) {
        *hr = result;
    }
    return camera;
}

Cqvl_Stream* StreamOf(IBaseFilter* camera) {
    return static_cast<Cqvl_VidSrcFilter*>(static_cast<CBaseFilter*>(camera))->Stream();
}

ComPtr<IPin> CameraPin(IBaseFilter* camera) {
    ComPtr<IEnumPins> pins;
    ComPtr<IPin> pin;
    if (FAILED(camera->EnumPins(&pins)) || pins->Next(1, &pin, nullptr) != S_OK) {
        return nullptr;
    }
    return pin;
}

bool CameraRegionExists() {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, cameraRegionName);
    if (mapping != nullptr) {
        CloseHandle(mapping);
    }
    return mapping != nullptr;
}

SIZE_T CameraRegionBytes() {
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, cameraRegionName);
    if (mapping == nullptr) {
        return 0;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    MEMORY_BASIC_INFORMATION info = {};
    const SIZE_T bytes =
        view != nullptr && VirtualQuery(view, &info, sizeof(info)) != 0 ? info.RegionSize : 0;
    if (view != nullptr) {
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return bytes;
}
