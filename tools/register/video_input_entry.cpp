#include "video_input_entry.h"

#include "qvl_protocol.h"
#include "registry_key.h"
#include "user_classes.h"

#include <uuids.h>

#include <string>

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

// HKEY_CLASSES_ROOT is mapped only for the mapper's writes: the mapper itself was created in
// the merged view, where its own class is found.
template <typename Step> HRESULT InScope(Scope scope, Step step) {
    if (scope == Scope::Machine) {
        return step();
    }
    const CUserClassesOverride classes(CUserClassesOverride::createIfMissing);
    if (classes.Result() != ERROR_SUCCESS) {
        return HRESULT_FROM_WIN32(static_cast<DWORD>(classes.Result()));
    }
    return step();
}

// "Software\\Classes\\CLSID\\{video input category}\\Instance" under the scope's root.
std::wstring InstancesPath() {
    wchar_t category[40] = {};
    StringFromGUID2(CLSID_VideoInputDeviceCategory, category, 40);
    return std::wstring(L"Software\\Classes\\CLSID\\") + category + L"\\Instance";
}

HKEY Root(Scope scope) {
    return scope == Scope::Machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The mapper leaves the category's Instance key behind when it removes the last entry, one it
// may have created for ours. It goes only while it holds nothing: another program's entry or
// any value keeps it. (A subkey added meanwhile also keeps it: a key with subkeys cannot be
// deleted this way.)
void RemoveEmptyInstances(Scope scope) {
    const std::wstring path = InstancesPath();
    HKEY opened = nullptr;
    if (RegOpenKeyExW(Root(scope), path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
        return;
    }
    CRegistryKey key(opened);
    DWORD subkeys = 0;
    DWORD values = 0;
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        subkeys != 0 || values != 0) {
        return;
    }
    key.Reset();
    RegDeleteKeyW(Root(scope), path.c_str());
}

// The mapper can report success for an entry it could not write (Wine's does when a key in
// its way refuses the entry), so the entry is read back: a camera is listed only with its
// friendly name.
HRESULT CheckWritten(Scope scope) {
    const std::wstring entry = InstancesPath() + L"\\" QVL_CAMERA_CLSID_STRING;
    const LONG found = RegGetValueW(Root(scope), entry.c_str(), L"FriendlyName", RRF_RT_REG_SZ,
                                    nullptr, nullptr, nullptr);
    return found == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(ERROR_CANTWRITE);
}

HRESULT Unregister(IFilterMapper2* mapper) {
    const HRESULT hr =
        mapper->UnregisterFilter(&CLSID_VideoInputDeviceCategory, nullptr, CLSID_Camera);
    return NotThere(hr) ? S_OK : hr;
}
} // namespace

VideoInputEntry::VideoInputEntry()
    : result(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IFilterMapper2,
                              reinterpret_cast<void**>(mapper.GetAddressOf()))) {}

HRESULT VideoInputEntry::Add(Scope scope) const {
    if (FAILED(result)) {
        return result;
    }
    return InScope(scope, [this, scope] {
        HRESULT hr = Unregister(mapper.Get());
        if (FAILED(hr)) {
            return hr;
        }
        REGFILTER2 filter = {};
        filter.dwVersion = 2;
        filter.dwMerit = MERIT_DO_NOT_USE;
        filter.cPins2 = 1;
        filter.rgPins2 = &kCapturePin;
        hr = mapper->RegisterFilter(CLSID_Camera, L"" QVL_CAMERA_FRIENDLY_NAME, nullptr,
                                    &CLSID_VideoInputDeviceCategory, nullptr, &filter);
        return FAILED(hr) ? hr : CheckWritten(scope);
    });
}

HRESULT VideoInputEntry::Remove(Scope scope) const {
    if (FAILED(result)) {
        return result;
    }
    const HRESULT hr = InScope(scope, [this] { return Unregister(mapper.Get()); });
    if (SUCCEEDED(hr)) {
        RemoveEmptyInstances(scope);
    }
    return hr;
}
