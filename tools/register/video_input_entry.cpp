#include "video_input_entry.h"

#include "qvl_protocol.h"

#include <uuids.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

const CLSID CLSID_Camera = QVL_CAMERA_CLSID_INIT;

namespace {
// One output pin of the capture category streaming video of any subtype, as a camera
// describes itself. Merit "do not use": a source is never wanted by automatic graph
// building, and capture programs list the category whatever the merit.
const REGPINTYPES kVideo = {&MEDIATYPE_Video, &MEDIASUBTYPE_NULL};
const REGFILTERPINS2 kCapturePin = {REG_PINFLAG_B_OUTPUT, 1, 1, &kVideo, 0, nullptr,
                                    &PIN_CATEGORY_CAPTURE};

bool NotThere(HRESULT hr) {
    return hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
           hr == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
}

// Creates the mapper before HKEY_CLASSES_ROOT is mapped, so that its own class is found in
// the merged view, then maps it for the mapper's writes.
template <typename Step> HRESULT WithMapper(Scope scope, Step step) {
    ComPtr<IFilterMapper2> mapper;
    HRESULT hr =
        CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                         reinterpret_cast<void**>(mapper.GetAddressOf()));
    if (FAILED(hr)) {
        return hr;
    }
    ClassesRoot classes(scope);
    if (classes.Result() != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(static_cast<DWORD>(classes.Result()));
    }
    return step(mapper.Get());
}

HRESULT Unregister(IFilterMapper2* mapper) {
    const HRESULT hr =
        mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, nullptr, CLSID_Camera);
    return NotThere(hr) ? S_OK : hr;
}
} // namespace

HRESULT AddVideoInputEntry(Scope scope) {
    return WithMapper(scope, [](IFilterMapper2* mapper) {
        HRESULT hr = Unregister(mapper);
        if (FAILED(hr)) {
            return hr;
        }
        REGFILTER2 filter = {};
        filter.dwVersion = 2;
        filter.dwMerit = MERIT_DO_NOT_USE;
        filter.cPins2 = 1;
        filter.rgPins2 = &kCapturePin;
        return mapper->RegisterFilter(CLSID_Camera, L"" QVL_CAMERA_FRIENDLY_NAME, nullptr,
                                      &CLSID_VideoInputDeviceCategory, nullptr, &filter);
    });
}

HRESULT RemoveVideoInputEntry(Scope scope) {
    return WithMapper(scope, Unregister);
}
